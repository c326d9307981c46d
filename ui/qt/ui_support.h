#pragma once

#include <QComboBox>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <string_view>

#include "ui/rules/page_state.h"

// What every page shares: text conversion, the message box, the wait cursor, the picture at the
// foot of a page, and showing the rules' state in widgets.
namespace skylark::ui {

inline QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string ToU16(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<std::size_t>(text.size()));
}

// A string-table text.
QString Text(int id);

// Shows one message to the user; the pages take it as a parameter so that tests can record the
// texts instead of blocking in a message box.
using MessageFunction = std::function<void(const QString& text)>;

// The system's message box: the application's caption, only an OK button, no owner window.
void ShowMessageBox(const QString& text);

// The wait cursor for as long as the object lives.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  // Restores the previous cursor now, before the object ends.
  void Restore();

 private:
  bool active_ = true;
};

// The beacon-mast picture shown at the foot of every page.
QWidget* MakeBeaconPicture(QWidget* parent);

// A page of the sheet: it shows what its rules say, and forwards the user's input to them.
class SheetPage : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;

  // Copies the rules' state into the widgets; called after every call into the rules.
  virtual void refresh() = 0;
};

// Shows a list's entries (rebuilt only when they changed), its selection and its enabling.
void ShowList(QComboBox& list, const rules::ListState& state);
// Shows a button's caption with a mnemonic, and its enabling.
void ShowButton(QPushButton& button, const rules::ButtonState& state, QChar mnemonic);
// Shows the message that ends an action, if there is one.
void ShowOutcome(const MessageFunction& showMessage, const rules::Outcome& outcome);

}  // namespace skylark::ui

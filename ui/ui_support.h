#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <string_view>

// What every page shares: text conversion, the message box, the wait cursor, the picture at the
// foot of a page, and the activation protocol of a sheet page.
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

// `text` with a keyboard mnemonic on the first occurrence of `letter`.
QString WithMnemonic(const QString& text, QChar letter);

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

// A page of the sheet. Its controls exist from construction, but it fills them only the first
// time it becomes active, and until then the notifications leave it alone.
class SheetPage : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;

  // Called by the sheet each time the page becomes the one shown.
  void SetActive() {
    if (!initialized_) {
      initDialog();
      initialized_ = true;
    }
    onSetActive();
  }
  bool Initialized() const { return initialized_; }

 protected:
  virtual void initDialog() = 0;
  virtual void onSetActive() = 0;

 private:
  bool initialized_ = false;
};

}  // namespace skylark::ui

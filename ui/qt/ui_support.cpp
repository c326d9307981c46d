#include "ui/qt/ui_support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>

#include "resources/strings.h"

namespace skylark::ui {

namespace {

// `text` with a keyboard mnemonic on the first occurrence of `letter`.
QString WithMnemonic(const QString& text, QChar letter) {
  QString marked = text;
  if (qsizetype at = marked.indexOf(letter); at >= 0) marked.insert(at, QLatin1Char('&'));
  return marked;
}

}  // namespace

QString Text(int id) { return ToQString(resources::LoadText(id)); }

void ShowMessageBox(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, Text(resources::kCaption), text, QMessageBox::Ok);
  // The box may open while a wait cursor is up (start-up reading the site file).
  QApplication::setOverrideCursor(Qt::ArrowCursor);
  box.exec();
  QApplication::restoreOverrideCursor();
}

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

WaitCursor::~WaitCursor() { Restore(); }

void WaitCursor::Restore() {
  if (!active_) return;
  active_ = false;
  QApplication::restoreOverrideCursor();
}

QWidget* MakeBeaconPicture(QWidget* parent) {
  auto* picture = new QLabel(parent);
  picture->setObjectName(QStringLiteral("beaconPicture"));
  QPixmap pixmap(QStringLiteral(":/skylark/beacon_mast.png"));
  // Drawn at twice its size on screen, so it stays sharp at 200% scaling.
  pixmap.setDevicePixelRatio(2.0);
  picture->setPixmap(pixmap);
  picture->setAlignment(Qt::AlignCenter);
  return picture;
}

void ShowList(QComboBox& list, const rules::ListState& state) {
  bool same = list.count() == static_cast<int>(state.entries.size());
  for (int i = 0; same && i < list.count(); ++i) {
    same = list.itemText(i) == ToQString(state.entries[static_cast<std::size_t>(i)]);
  }
  if (!same) {
    QStringList entries;
    for (const std::u16string& entry : state.entries) entries << ToQString(entry);
    list.clear();
    list.addItems(entries);
    // Long country and site names: the open list is as wide as its widest entry.
    list.view()->setMinimumWidth(list.view()->sizeHintForColumn(0) + 24);
  }
  list.setCurrentIndex(state.selected);
  list.setEnabled(state.enabled);
}

void ShowButton(QPushButton& button, const rules::ButtonState& state, QChar mnemonic) {
  button.setText(WithMnemonic(ToQString(state.caption), mnemonic));
  button.setEnabled(state.enabled);
}

void ShowOutcome(const MessageFunction& showMessage, const rules::Outcome& outcome) {
  if (outcome) showMessage(ToQString(outcome->Shown()));
}

}  // namespace skylark::ui

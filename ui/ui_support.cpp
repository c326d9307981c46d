#include "ui/ui_support.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>

#include "resources/strings.h"

namespace skylark::ui {

QString Text(int id) { return ToQString(resources::LoadText(id)); }

QString WithMnemonic(const QString& text, QChar letter) {
  QString marked = text;
  if (qsizetype at = marked.indexOf(letter); at >= 0) marked.insert(at, QLatin1Char('&'));
  return marked;
}

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

}  // namespace skylark::ui

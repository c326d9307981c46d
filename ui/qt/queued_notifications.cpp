#include "ui/qt/queued_notifications.h"

#include "ui/qt/configuration_sheet.h"

namespace skylark::ui {

void QueuedNotifications::SetSheet(ConfigurationSheet* sheet) { sheet_ = sheet; }

void QueuedNotifications::PostSiteChanged() {
  QMetaObject::invokeMethod(this, [this] { deliverSiteChanged(); }, Qt::QueuedConnection);
}

void QueuedNotifications::PostStatusChanged() {
  QMetaObject::invokeMethod(this, [this] { deliverStatusChanged(); }, Qt::QueuedConnection);
}

void QueuedNotifications::deliverSiteChanged() {
  if (sheet_) sheet_->onSiteChanged();
}

void QueuedNotifications::deliverStatusChanged() {
  if (sheet_) sheet_->onStatusChanged();
}

}  // namespace skylark::ui

#include "ui/queued_notifications.h"

namespace skylark::ui {

void QueuedNotifications::SetPages(StatusPage* status, TunePage* tune) {
  status_ = status;
  tune_ = tune;
}

void QueuedNotifications::PostSiteChanged() {
  QMetaObject::invokeMethod(this, [this] { deliverSiteChanged(); }, Qt::QueuedConnection);
}

void QueuedNotifications::PostStatusChanged() {
  QMetaObject::invokeMethod(this, [this] { deliverStatusChanged(); }, Qt::QueuedConnection);
}

void QueuedNotifications::deliverSiteChanged() {
  if (status_) status_->onSiteChanged();
  if (tune_) tune_->onSiteChanged();
}

void QueuedNotifications::deliverStatusChanged() {
  if (status_) status_->onStatusChanged();
}

}  // namespace skylark::ui

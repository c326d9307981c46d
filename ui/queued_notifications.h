#pragma once

#include <QObject>
#include <QPointer>

#include "app/notifications.h"
#include "ui/status_page.h"
#include "ui/tune_page.h"

namespace skylark::ui {

// Delivers the worker threads' two notifications on the main thread through its event queue:
// in the order posted, also inside a message box's or the sheet's loop, never blocking the
// poster. Create it on the main thread.
class QueuedNotifications : public QObject, public Notifications {
  Q_OBJECT

 public:
  using QObject::QObject;

  // The pages to deliver to; until set (or once gone) a notification reaches nobody.
  void SetPages(StatusPage* status, TunePage* tune);

  void PostSiteChanged() override;
  void PostStatusChanged() override;

 private:
  void deliverSiteChanged();
  void deliverStatusChanged();

  QPointer<StatusPage> status_;
  QPointer<TunePage> tune_;
};

}  // namespace skylark::ui

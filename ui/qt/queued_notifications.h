#pragma once

#include <QObject>
#include <QPointer>

#include "app/notifications.h"

namespace skylark::ui {

class ConfigurationSheet;

// Delivers the worker threads' two notifications on the main thread through its event queue:
// in the order posted, also inside a message box's or the sheet's loop, never blocking the
// poster. Create it on the main thread.
class QueuedNotifications : public QObject, public Notifications {
  Q_OBJECT

 public:
  using QObject::QObject;

  // The sheet to deliver to; until set (or once gone) a notification reaches nobody.
  void SetSheet(ConfigurationSheet* sheet);

  void PostSiteChanged() override;
  void PostStatusChanged() override;

 private:
  void deliverSiteChanged();
  void deliverStatusChanged();

  QPointer<ConfigurationSheet> sheet_;
};

}  // namespace skylark::ui

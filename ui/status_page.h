#pragma once

#include <QLabel>

#include "app/application.h"
#include "ui/ui_support.h"

namespace skylark::ui {

// Shows what the receiver is tuned to and how well it receives; computes nothing itself.
class StatusPage : public SheetPage {
  Q_OBJECT

 public:
  StatusPage(Application& app, QWidget* parent = nullptr);

  // The current site or the lock state changed.
  void onSiteChanged();
  // A status poll succeeded.
  void onStatusChanged();

 protected:
  void initDialog() override;
  void onSetActive() override;

 private:
  void refreshSite();
  void refreshTuning();
  void refreshHealth();

  Application& app_;
  QLabel* siteField_ = nullptr;
  QLabel* frequencyField_ = nullptr;
  QLabel* rateField_ = nullptr;
  QLabel* stationField_ = nullptr;
  QLabel* lockedField_ = nullptr;
  QLabel* signalField_ = nullptr;
  QLabel* snrField_ = nullptr;
};

}  // namespace skylark::ui

#pragma once

#include <QLabel>
#include <QTimer>

#include "ui/rules/status_rules.h"
#include "ui/signal_chart.h"
#include "ui/ui_support.h"

namespace skylark::ui {

// Shows what the receiver is tuned to and how well it receives, and the last ten minutes of it
// as a chart; computes nothing itself. While shown, it looks once a second whether the last
// reading has grown stale.
class StatusPage : public SheetPage {
  Q_OBJECT

 public:
  StatusPage(rules::StatusRules& rules, QWidget* parent = nullptr);

  void refresh() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void onClock();

  rules::StatusRules& rules_;
  QLabel* siteField_ = nullptr;
  QLabel* frequencyField_ = nullptr;
  QLabel* rateField_ = nullptr;
  QLabel* stationField_ = nullptr;
  QLabel* lockedField_ = nullptr;
  QLabel* signalField_ = nullptr;
  QLabel* snrField_ = nullptr;
  QLabel* ageField_ = nullptr;
  SignalChart* chart_ = nullptr;
  QTimer clock_;
};

}  // namespace skylark::ui

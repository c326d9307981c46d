#pragma once

#include <QLabel>
#include <QTimer>

#include <array>
#include <iterator>

#include "ui/rules/status_rules.h"
#include "ui/qt/signal_chart.h"
#include "ui/qt/ui_support.h"

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
  // One label a field, in the rules' field order.
  std::array<QLabel*, std::size(rules::kStatusFields)> fields_{};
  QLabel* ageField_ = nullptr;
  SignalChart* chart_ = nullptr;
  QTimer clock_;
};

}  // namespace skylark::ui

#pragma once

#include <QLabel>

#include "ui/rules/status_rules.h"
#include "ui/ui_support.h"

namespace skylark::ui {

// Shows what the receiver is tuned to and how well it receives; computes nothing itself.
class StatusPage : public SheetPage {
  Q_OBJECT

 public:
  StatusPage(rules::StatusRules& rules, QWidget* parent = nullptr);

  void refresh() override;

 private:
  rules::StatusRules& rules_;
  QLabel* siteField_ = nullptr;
  QLabel* frequencyField_ = nullptr;
  QLabel* rateField_ = nullptr;
  QLabel* stationField_ = nullptr;
  QLabel* lockedField_ = nullptr;
  QLabel* signalField_ = nullptr;
  QLabel* snrField_ = nullptr;
};

}  // namespace skylark::ui

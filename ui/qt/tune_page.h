#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <thread>

#include "ui/rules/tune_rules.h"
#include "ui/qt/ui_support.h"

namespace skylark::ui {

// Chooses how the receiver is tuned (automatically, by frequency and rate, or by a site picked
// Region, Country, Beacon) and tunes it when Tune is pressed. The tune itself runs on a thread
// of its own, so the window keeps repainting while the receiver takes its seconds to answer.
class TunePage : public SheetPage {
  Q_OBJECT

 public:
  TunePage(rules::TuneRules& rules, MessageFunction showMessage, QWidget* parent = nullptr);
  ~TunePage() override;

  void refresh() override;

 signals:
  // A tune started (true) or ended (false); the sheet stays open meanwhile.
  void tuningChanged(bool tuning);

 private:
  void onTuneClicked();
  void finishTune(bool tuned);

  rules::TuneRules& rules_;
  MessageFunction showMessage_;
  std::thread tuneThread_;
  QRadioButton* autoRadio_ = nullptr;
  QRadioButton* frequencyRadio_ = nullptr;
  QRadioButton* siteRadio_ = nullptr;
  QPushButton* tuneButton_ = nullptr;
  QLabel* tuningLabel_ = nullptr;
  QLabel* siteFileNote_ = nullptr;  // where the site file was looked for, when none was found
  QComboBox* frequencyCombo_ = nullptr;
  QComboBox* rateCombo_ = nullptr;
  QComboBox* regionCombo_ = nullptr;
  QComboBox* countryCombo_ = nullptr;
  QComboBox* beaconCombo_ = nullptr;
};

}  // namespace skylark::ui

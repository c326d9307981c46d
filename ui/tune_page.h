#pragma once

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

#include "app/application.h"
#include "ui/ui_support.h"

namespace skylark::ui {

// Chooses how the receiver is tuned (automatically, by frequency and rate, or by a site picked
// Region, Country, Beacon) and tunes it when Tune is pressed.
class TunePage : public SheetPage {
  Q_OBJECT

 public:
  TunePage(Application& app, MessageFunction showMessage, QWidget* parent = nullptr);

  // Follows the current site without rebuilding any list.
  void onSiteChanged();

 protected:
  void initDialog() override;
  void onSetActive() override;

 private:
  void fillFrequencyList(double frequencyKhz);
  void fillRateList(int bitRate);
  void fillRegionList(const QString& name);
  void fillCountryList(const QString& name);
  void fillBeaconList(const QString& name);
  void updateEnabling();
  void showTuneMode();
  void onTuneClicked();
  void tuneByFrequency();
  void tuneBySite();
  void reselectTuning();
  void runTune();

  Application& app_;
  MessageFunction showMessage_;
  QRadioButton* autoRadio_ = nullptr;
  QRadioButton* frequencyRadio_ = nullptr;
  QRadioButton* siteRadio_ = nullptr;
  QPushButton* tuneButton_ = nullptr;
  QComboBox* frequencyCombo_ = nullptr;
  QComboBox* rateCombo_ = nullptr;
  QComboBox* regionCombo_ = nullptr;
  QComboBox* countryCombo_ = nullptr;
  QComboBox* beaconCombo_ = nullptr;
};

}  // namespace skylark::ui

#pragma once

#include <string>

#include "app/application.h"

namespace skylark::rules {

// The seven value fields of the Status page, each "N/A" until first filled.
struct StatusFields {
  std::u16string site = u"N/A";
  std::u16string frequency = u"N/A";
  std::u16string rate = u"N/A";
  std::u16string station = u"N/A";
  std::u16string locked = u"N/A";
  std::u16string signal = u"N/A";
  std::u16string snr = u"N/A";
};

// The Status page: what the receiver is tuned to and how well it receives, formatted from the
// current site and the status snapshot; frequency and rate keep what they showed while the
// snapshot holds no value in range.
class StatusRules {
 public:
  explicit StatusRules(Application& app);

  void InitDialog();
  bool Initialized() const { return initialized_; }
  // Every activation: the status poll runs while this page is up; all fields refreshed.
  void SetActive();
  // The two notifications; nothing happens before the first activation.
  void OnSiteChanged();
  void OnStatusChanged();

  const StatusFields& Fields() const { return fields_; }

 private:
  void RefreshSite();
  void RefreshTuning();
  void RefreshHealth();

  Application& app_;
  bool initialized_ = false;
  StatusFields fields_;
};

}  // namespace skylark::rules

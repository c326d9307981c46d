#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "app/application.h"
#include "app/status_text.h"
#include "resources/strings.h"
#include "ui/rules/signal_history.h"

namespace skylark::rules {

// The seven value fields of the Status page, in the order it shows them.
enum class StatusField { Site, Frequency, Rate, Station, Locked, Signal, Snr };
inline constexpr StatusField kStatusFields[] = {StatusField::Site,   StatusField::Frequency, StatusField::Rate,
                                                StatusField::Station, StatusField::Locked,  StatusField::Signal,
                                                StatusField::Snr};

// The texts of the seven fields, each "N/A" until first filled.
struct StatusFields {
  std::u16string site{resources::LoadText(resources::kNotAvailable)};
  std::u16string frequency{resources::LoadText(resources::kNotAvailable)};
  std::u16string rate{resources::LoadText(resources::kNotAvailable)};
  std::u16string station{resources::LoadText(resources::kNotAvailable)};
  std::u16string locked{resources::LoadText(resources::kNotAvailable)};
  std::u16string signal{resources::LoadText(resources::kNotAvailable)};
  std::u16string snr{resources::LoadText(resources::kNotAvailable)};
  // The health values (locked, signal, SNR) are the last ones heard, not what the receiver
  // hears now: views grey them and show `age` ("No reading for N s") beside them.
  bool stale = false;
  std::u16string age;

  const std::u16string& Text(StatusField field) const;
  bool operator==(const StatusFields&) const = default;
};

// The Status page: what the receiver is tuned to and how well it receives, formatted from the
// current site and the status snapshot; frequency and rate keep what they showed while the
// snapshot holds no value in range.
class StatusRules {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  // How often a shown page calls OnClock: a reading's age is told in whole seconds.
  static constexpr std::chrono::milliseconds kClockPeriod{1000};

  // `clock` tells the age of a reading; tests may pass their own.
  explicit StatusRules(Application& app, Clock clock = std::chrono::steady_clock::now);

  void InitDialog();
  bool Initialized() const { return initialized_; }
  // Every activation: the status poll runs while this page is up; all fields refreshed.
  void SetActive();
  // The two notifications; nothing happens before the first activation.
  void OnSiteChanged();
  void OnStatusChanged();
  // Time passed without a notification: a reading may have grown stale. Views call it about
  // once a second while the page is shown; true when a field changed.
  bool OnClock();

  const StatusFields& Fields() const { return fields_; }
  // Whether a view shows `field` greyed: the health values, once they are no longer current.
  bool Greyed(StatusField field) const;
  // The readings of the last ten minutes, for the chart; a point per reading.
  const SignalHistory& History() const { return history_; }

 private:
  // All the texts of one snapshot; each notification takes one and formats it once.
  StatusTexts Format(const SharedState& state) const;
  void ShowSite(const StatusTexts& texts);
  void ShowHealth(const StatusTexts& texts);

  Application& app_;
  Clock clock_;
  bool initialized_ = false;
  StatusFields fields_;
  SignalHistory history_;
  std::uint64_t chartedReading_ = 0;  // the number of the last reading put on the chart
};

}  // namespace skylark::rules

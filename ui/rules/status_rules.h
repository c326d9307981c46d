#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "app/application.h"
#include "app/signal_log.h"
#include "app/status_text.h"
#include "resources/strings.h"
#include "ui/rules/page_state.h"
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
  // The state line: the receiver's state in one word, and what the program waits for, if anything
  // ("Waiting for COM4: to come back.").
  std::u16string state;
  std::u16string note;
  // The signal log's file name and row count; empty before the first recording.
  std::u16string log;

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

  // Update asks the receiver for one reading, which takes up to the reply wait: BeginUpdate and
  // FinishUpdate on the main thread, RunUpdate between them on a worker thread. The sheet stays
  // open meanwhile, as for a tune.
  ButtonState UpdateButton() const;
  bool Updating() const { return updating_; }
  // False (nothing to run) while the button is disabled.
  bool BeginUpdate();
  // Touches only the application, so it may run on any thread; true when the receiver answered.
  bool RunUpdate() const;
  // The answer was applied as any reading is; no answer gets the message.
  Outcome FinishUpdate(bool answered);

  // The signal log: every reading applied from the start of the recording on is one row, written
  // as it is charted, whichever page is shown. Record asks for a file (the view's dialog) and
  // starts; pressed again, or OK or Cancel, it stops.
  ButtonState RecordButton() const;
  bool Recording() const { return log_ != nullptr; }
  // Appends to `path`; the message when it cannot be written.
  Outcome StartRecording(std::u16string_view path);
  void StopRecording();

 private:
  // All the texts of one snapshot; each notification takes one and formats it once.
  StatusTexts Format(const SharedState& state) const;
  void ShowSite(const StatusTexts& texts);
  void ShowHealth(const StatusTexts& texts);
  void ShowState();
  void ShowLog(int formatId);
  void Log(const Reading& reading);

  Application& app_;
  Clock clock_;
  bool initialized_ = false;
  StatusFields fields_;
  SignalHistory history_;
  std::uint64_t chartedReading_ = 0;  // the number of the last reading put on the chart
  bool updating_ = false;
  std::unique_ptr<SignalLog> log_;
};

}  // namespace skylark::rules

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/signal_log.h"
#include "app/status_text.h"
#include "cli/commands.h"
#include "cli/receiver_session.h"
#include "resources/strings.h"

namespace skylark::cli {
namespace {

struct StatusOptions {
  SessionOptions session;
  int count = 0;  // 0: until interrupted
  int timeoutSeconds = 30;  // longest wait for a reading
  bool json = false;
  std::string csv;  // a signal log to add to, "-" for standard output; empty: none
};

// Wakes the command for every reading and for a lost port, as the page is woken by its
// notifications.
class Waker final : public Notifications {
 public:
  void PostSiteChanged() override { Wake(); }
  void PostStatusChanged() override { Wake(); }
  // Until woken or `wait` has passed.
  void Wait(std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, wait, [this] { return woken_; });
    woken_ = false;
  }

 private:
  void Wake() {
    std::lock_guard lock(mutex_);
    woken_ = true;
    changed_.notify_one();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  bool woken_ = false;
};

// The frequency and rate printed, which follow the readings as the page's fields do.
struct ShownTexts {
  std::u16string frequency{resources::LoadText(resources::kNotAvailable)};
  std::u16string rate{resources::LoadText(resources::kNotAvailable)};
};

void Print(const SharedState& state, const StatusTexts& texts, const ShownTexts& shown, std::u16string_view stateWord,
           bool json) {
  using resources::ToUtf8;
  if (json) {
    const nlohmann::ordered_json line = {
        {"state", ToUtf8(stateWord)},
        {"site", ToUtf8(texts.site)},
        {"frequency", ToUtf8(shown.frequency)},
        {"msk_rate", ToUtf8(shown.rate)},
        {"station_id", ToUtf8(texts.stationId)},
        {"locked", ToUtf8(texts.locked)},
        {"signal_strength", ToUtf8(texts.signalStrength)},
        {"snr", ToUtf8(texts.snr)},
        {"received", state.status.received ? nlohmann::ordered_json(IsoUtc(state.status.received->utc))
                                           : nlohmann::ordered_json()},
        {"raw",
         {{"frequency_khz", state.status.frequency},
          {"msk_rate", state.status.mskRate},
          {"station_id", state.currentSite.StationId},
          {"locked", state.status.locked},
          {"signal_strength", state.status.signalStrength},
          {"snr", state.status.snr}}},
    };
    std::cout << line.dump() << std::endl;
    return;
  }
  // The Status page's labels, in its order, then its state line.
  const std::u16string word(stateWord);
  const std::pair<int, const std::u16string&> fields[] = {
      {resources::kSiteLabel, texts.site},           {resources::kFrequencyLabel, shown.frequency},
      {resources::kMskLabel, shown.rate},            {resources::kStationIdLabel, texts.stationId},
      {resources::kLockedLabel, texts.locked},       {resources::kSignalStrengthLabel, texts.signalStrength},
      {resources::kSnrLabel, texts.snr},             {resources::kStateLabel, word},
  };
  const char* separator = "";
  for (const auto& [label, value] : fields) {
    std::cout << separator << Words(label) << ' ' << ToUtf8(value);
    separator = " | ";
  }
  std::cout << std::endl;
}

// Sentences dropped for a wrong checksum, said at most once a minute: a few a day is line noise,
// a steady count is a bad cable or a wrong baud rate.
class ChecksumNote {
 public:
  void Update(std::uint64_t failures) {
    const auto now = std::chrono::steady_clock::now();
    if (failures == said_ || (saidAt_ && now - *saidAt_ < std::chrono::minutes(1))) return;
    Complain(failures == 1 ? std::u16string(resources::LoadText(resources::kOneChecksumFailure))
                           : resources::FormatText(resources::kChecksumFailures, resources::FromUtf8(std::to_string(failures))));
    said_ = failures;
    saidAt_ = now;
  }

 private:
  std::uint64_t said_ = 0;
  std::optional<std::chrono::steady_clock::time_point> saidAt_;
};

// The readings as signal-log rows: appended to a file, or on standard output with their header.
class CsvOutput {
 public:
  bool Open(const std::string& target) {
    if (target == "-") {
      std::cout << SignalLogHeader() << std::flush;
      return true;
    }
    log_ = SignalLog::Open(resources::FromUtf8(target));
    if (log_ == nullptr) Complain(resources::FormatText(resources::kLogNotWritten, resources::FromUtf8(target)));
    return log_ != nullptr;
  }
  // The site as the page shows it, the values as the receiver gave them.
  bool Write(const Reading& reading, std::u16string_view state, const std::u16string& site) {
    const SignalLogRow row = RowOf(reading, state, site);
    if (log_ != nullptr) return log_->Write(row);
    std::cout << SignalLogLine(row) << std::flush;
    return true;
  }
  bool ToFile() const { return log_ != nullptr; }

 private:
  std::unique_ptr<SignalLog> log_;
};

int RunStatus(const StatusOptions& options) {
  Waker waker;
  ReceiverSession session(options.session, &waker);
  CsvOutput csv;
  if (!options.csv.empty() && !csv.Open(options.csv)) return kUsageFailure;
  if (!session.Open()) return kUsageFailure;
  Application& app = session.App();
  const bool printLines = options.csv.empty() || csv.ToFile();

  app.SetActivePage(kStatusPage);
  ShownTexts shown;
  int status = 0;
  const auto patience = std::chrono::seconds(options.timeoutSeconds);
  auto lastReading = std::chrono::steady_clock::now();
  ChecksumNote checksumNote;
  bool toldSilence = false;
  bool toldOnRequest = false;
  std::optional<std::u16string> waitingFor;
  std::uint64_t printed = 0;
  for (int count = 0; !StopRequested() && (options.count == 0 || count < options.count);) {
    checksumNote.Update(app.Monitor().ChecksumFailures());
    // Every reading once, in order, each with the state it left: not the state when we get round
    // to printing it.
    const std::vector<Reading> readings = app.ReadingsSince(printed);
    for (const Reading& reading : readings) {
      if (options.count != 0 && count == options.count) break;
      const StatusTexts texts = FormatStatus(reading.state.currentSite, reading.state.status, LinkView(true));
      FollowTuning(texts, shown.frequency, shown.rate);
      const std::u16string_view state = StateText(app.CurrentState());
      if (printLines) Print(reading.state, texts, shown, state, options.json);
      if (!options.csv.empty() && !csv.Write(reading, state, texts.site)) {
        Complain(resources::FormatText(resources::kLogNotWritten, resources::FromUtf8(options.csv)));
        return 1;
      }
      printed = reading.number;
      ++count;
      lastReading = std::chrono::steady_clock::now();
    }
    if (!readings.empty()) continue;
    // A lost port is waited for as long as the command runs: one line when it goes, one when it
    // is back.
    if (const auto waiting = app.Reconnecting(); waiting && !waitingFor) {
      std::u16string line = session.LineTrouble();
      if (!line.empty()) line += u' ';
      Complain(line + resources::FormatText(resources::kWaitingForPort, *waiting));
      waitingFor = waiting;
    } else if (waitingFor && app.IsLinkOpen()) {
      Complain(resources::FormatText(resources::kPortBack, *waitingFor));
      waitingFor.reset();
      toldOnRequest = false;
    }
    if (waitingFor) {
      lastReading = std::chrono::steady_clock::now();
      waker.Wait(std::chrono::milliseconds(100));
      continue;
    }
    if (!app.IsLinkOpen()) {
      Complain(session.LineTrouble());
      status = 1;
      break;
    }
    if (app.ReadingsOnlyOnRequest() && !toldOnRequest) {
      Complain(resources::LoadText(resources::kReadingsOnRequest));
      toldOnRequest = true;
    }
    const auto now = std::chrono::steady_clock::now();
    if (count == 0 && !toldSilence) {
      // Said once, as soon as the page would grey its values.
      const LinkView link = app.InputLink();
      const StatusTexts texts =
          FormatStatus(app.CurrentSite(), app.Status(), link, StatusClock{now, app.StatusInterval()});
      if (texts.stale && link.openedAt && now - *link.openedAt >= StaleAfter(app.StatusInterval())) {
        const std::u16string trouble = session.LineTrouble();
        Complain(trouble.empty() ? texts.age : trouble);
        toldSilence = true;
      }
    }
    // A receiver that is silent or tuned without a status interval would otherwise keep the
    // command waiting for ever.
    if (now - lastReading >= patience) {
      const std::u16string trouble = session.LineTrouble();
      Complain(resources::FormatText(
          resources::kNoStatusFor, {resources::FromUtf8(std::to_string(options.timeoutSeconds)),
                                    trouble.empty() ? resources::LoadText(resources::kNoStatusInterval) : trouble}));
      status = 1;
      break;
    }
    // Short waits, so that a request to stop is noticed promptly; a reading or a loss wakes it at once.
    waker.Wait(std::chrono::milliseconds(100));
  }
  app.StopReconnecting();
  app.SetActivePage(kConfigurationPage);
  return status;
}

}  // namespace

void AddStatusCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<StatusOptions>();
  options->session.reconnect = true;
  CLI::App* command = app.add_subcommand("status", "Watch the receiver's status as the Status page does");
  command
      ->add_option("--port", options->session.port, "Port the receiver is on, COM1: to COM9: (on Windows also beyond), or tcp://HOST:PORT or rfc2217://HOST:PORT")
      ->required();
  command->add_option("--count", options->count, "Stop after this many status readings (default: until Ctrl-C)")
      ->check(CLI::Range(1, 1000000));
  command->add_option("--timeout", options->timeoutSeconds,
                      "Give up (exit status 1) after this many seconds without a reading (default 30)")
      ->check(CLI::Range(1, 86400));
  command->add_flag("--json", options->json, "One JSON object per reading, one per line");
  command->add_option("--csv", options->csv,
                      "Add every reading to this signal log (CSV, appended to an existing file); - for standard output");
  command->add_flag("!--no-reconnect", options->session.reconnect,
                    "Exit when the port is lost, instead of waiting for it to come back");
  command->add_option("--interval", options->session.restoreInterval,
                      "The status interval (s) a receiver that came back is retuned with, when it was not tuned "
                      "by this command (default 1)")
      ->check(CLI::Range(1u, kMaxStatusInterval));
  command->add_flag("--identify", options->session.identify,
                    "On a gain of lock, ask a receiver tuned automatically for its station ($PCSI,1)");
  command->add_option("--sites", options->session.sites, "Site file, or directory to search for it");
  command->callback([options, &exitStatus] { exitStatus = RunStatus(*options); });
}

}  // namespace skylark::cli

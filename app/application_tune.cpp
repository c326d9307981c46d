#include "app/application.h"

#include <algorithm>
#include <cmath>

#include "resources/strings.h"

namespace skylark {
namespace {

// The newest readings kept for the pages and the command line to catch up on.
constexpr std::size_t kReadingsKept = 256;

// A reading's values into the snapshot's; the lock is the caller's to judge.
void TakeValues(ReceiverStatus& status, const SignalStatus& reading, const ReadingTime& received) {
  status.signalStrength = reading.strength;
  status.snr = reading.snr;
  status.frequency = reading.frequency;
  status.mskRate = reading.mskRate;
  status.received = received;
}

}  // namespace

bool Application::Tune(std::uint32_t statusInterval) {
  // Nothing can be sent on a port opened for reading only: the tune fails before it changes the state.
  if (const LinkView link = InputLink(); !link.open || !link.writable) return false;
  // Taken before the command is written: an acknowledgement begun earlier answers an earlier one.
  ReplyWait acknowledgement(monitor_, SentenceKind::Acknowledgement);
  const std::int32_t mode = tuneMode_.load();
  if (mode == kTuneAutomatic) {
    UpdateState([this](SharedState&) { ++tuneGeneration_; });
    if (!monitor_.SendAutomaticTune(statusInterval)) return false;
    UpdateState([](SharedState& state) {
      state.status.frequency = 0.0;
      state.status.locked = false;
      state.status.mskRate = 0;
      const std::u16string_view automatic = resources::LoadText(resources::kAutomatic);
      if (!automatic.empty()) state.currentSite.Beacon = automatic;
      state.currentSite.StationId = 0;
      state.currentSite.Frequency = 0.0;
      state.currentSite.MskRate = 0;
      state.status.snr = 0;
      state.status.signalStrength = 0;
    });
  } else {
    BeaconSite site;
    UpdateState([&](SharedState& state) {
      ++tuneGeneration_;
      // Named before sending: the name stays even when the command cannot be written.
      if (mode == kTuneByFrequency) {
        const std::u16string_view byFrequency = resources::LoadText(resources::kSelectedByFrequency);
        if (!byFrequency.empty()) state.currentSite.Beacon = byFrequency;
      }
      site = state.currentSite;
    });
    // No frequency or no rate is no tune: the receiver would acknowledge "0.0" and the site would
    // be saved as tuned.
    if (!IsTunable(site)) return false;
    if (!monitor_.SendManualTune(site.Frequency, site.MskRate, statusInterval)) return false;
    UpdateState([](SharedState& state) {
      state.status.frequency = state.currentSite.Frequency;
      state.status.mskRate = state.currentSite.MskRate;
      state.status.snr = 0;
      state.status.signalStrength = 0;
    });
  }
  UpdateState([this](SharedState&) { ++tunesSent_; });
  statusInterval_.store(statusInterval);
  readingsOnlyOnRequest_.store(false);
  {
    std::lock_guard apply(applyLock_);
    tunedAt_ = std::chrono::steady_clock::now();
  }
  NotifySiteChanged();
  return acknowledgement.Await(options_.tuneWait).has_value();
}

void Application::OnSentence(const ReceivedSentence& sentence) {
  if (sentence.kind != SentenceKind::SignalStatus) return;
  const std::optional<SignalStatus> reading = ParseSignalStatus(sentence.text);
  if (!reading) return;
  std::lock_guard apply(applyLock_);
  // The spacing of the receiver's sentences on this line, whichever page is shown: the time
  // between readings applied would include the time spent on other pages.
  const ReceiverPort* port = receiverLink_.InputPort();
  const auto openedAt = port != nullptr ? port->OpenedAt() : std::nullopt;
  if (lastSentenceAt_ && openedAt && *openedAt <= *lastSentenceAt_) {
    const auto spacing = sentence.received.monotonic - *lastSentenceAt_;
    UpdateState([&](SharedState&) { readingSpacing_ = spacing; });
  }
  lastSentenceAt_ = sentence.received.monotonic;
  if (activePage_.load() != kStatusPage) {
    // Only the Status page follows the receiver; the newest reading waits for it. Each is still
    // numbered as heard, so that the chart and a recording miss none of them.
    keptReading_.emplace(*reading, sentence.received);
    UpdateState([&](SharedState& state) {
      SharedState heard = state;
      TakeValues(heard.status, *reading, sentence.received);
      heard.status.locked = IsLocked(reading->snr);
      Number(heard);
    });
    PostStatusChanged();
    return;
  }
  ApplyReading(*reading, sentence.received, true);
}

void Application::Number(const SharedState& state) {
  readings_.push_back({++readingCount_, state, tunesSent_});
  if (readings_.size() > kReadingsKept) readings_.pop_front();
}

void Application::ApplyReading(const SignalStatus& reading, const ReadingTime& received, bool number) {
  const std::int32_t mode = tuneMode_.load();
  bool lost = false;
  bool identify = false;
  std::uint64_t generation = 0;
  UpdateState([&](SharedState& state) {
    TakeValues(state.status, reading, received);
    if (state.status.locked) {
      if (!IsLocked(state.status.snr)) {
        state.status.locked = false;
        lost = true;
        if (mode == kTuneAutomatic) {
          state.currentSite.Frequency = 0.0;
          state.currentSite.MskRate = 0;
        }
      }
    } else if (IsLocked(state.status.snr)) {
      state.status.locked = true;
      if (mode == kTuneAutomatic) {
        state.currentSite.Frequency = state.status.frequency;
        state.currentSite.MskRate = static_cast<std::uint8_t>(state.status.mskRate & 0xFF);
        // The station is looked for once per gain of lock, while the site has no station.
        identify = options_.identifyStations && state.currentSite.StationId == 0;
        generation = tuneGeneration_;
      }
    }
    if (number) Number(state);
  });
  if (lost) NotifySiteChanged();
  if (identify) {
    // The report is waited for on the status thread: the reader must go on reading meanwhile.
    identifyRequest_.store(generation + 1);
    if (statusThreadStarted_) statusThread_->Wake();
  }
  PostStatusChanged();
}

void Application::OnStatusThread(bool requested) {
  if (const std::uint64_t request = identifyRequest_.exchange(0); request != 0) {
    Identify(request - 1);
  } else if (requested) {
    // Update: what the page has, then a fresh reading asked of the receiver.
    PollStatus();
    if (activePage_.load() == kStatusPage && IsLinkOpen()) RequestReading();
  }
  RequestReadingWhenSilent();
}

bool Application::PollStatus() {
  if (activePage_.load() != kStatusPage || !Status().received) return false;
  PostStatusChanged();
  return true;
}

void Application::Identify(std::uint64_t generation) {
  if (activePage_.load() != kStatusPage) return;
  ReplyWait wait(monitor_, SentenceKind::StationReport);
  if (!monitor_.SendStatusRequest()) return;
  const std::optional<ReceivedSentence> sentence = wait.Await(options_.replyWait);
  const std::optional<StationReport> report = sentence ? ParseStationReport(sentence->text) : std::nullopt;
  if (!report || report->stationId == 0) return;
  const auto id = static_cast<std::uint16_t>(report->stationId & 0xFFFF);
  const BeaconSite* site = id != 0 ? catalogue_.FindByStationId(id, report->frequency) : nullptr;
  bool applied = false;
  UpdateState([&](SharedState& state) {
    // A report asked for before the user retuned describes the station left behind.
    if (tuneGeneration_ != generation || tuneMode_.load() != kTuneAutomatic || activePage_.load() != kStatusPage) {
      return;
    }
    state.currentSite = site != nullptr ? *site : BeaconSite{};
    state.status.frequency = report->frequency;
    state.status.mskRate = report->mskRate;
    state.currentSite.Frequency = report->frequency;
    state.currentSite.MskRate = static_cast<std::uint8_t>(report->mskRate & 0xFF);
    state.status.signalStrength = report->signalStrength;
    state.status.snr = report->snr;
    applied = true;
  });
  if (applied) {
    NotifySiteChanged();
    // The report's frequency, rate, strength and SNR are shown too.
    PostStatusChanged();
  }
}

bool Application::SelectSiteByStationId(std::uint32_t stationId, double frequencyKhz) {
  const auto id = static_cast<std::uint16_t>(stationId & 0xFFFF);
  const BeaconSite* site = id != 0 ? catalogue_.FindByStationId(id, frequencyKhz) : nullptr;
  std::lock_guard lock(stateLock_);
  if (site != nullptr) {
    state_.currentSite.CopyFrom(*site);
    return true;
  }
  state_.currentSite = BeaconSite{};
  return false;
}

std::vector<Reading> Application::ReadingsSince(std::uint64_t after) const {
  std::lock_guard lock(stateLock_);
  std::vector<Reading> newer;
  for (const Reading& reading : readings_) {
    if (reading.number > after) newer.push_back(reading);
  }
  return newer;
}

std::uint32_t Application::StatusInterval() const {
  std::chrono::steady_clock::duration spacing;
  {
    std::lock_guard lock(stateLock_);
    spacing = readingSpacing_;
  }
  const auto seconds = static_cast<std::uint32_t>(std::lround(std::chrono::duration<double>(spacing).count()));
  return std::max(statusInterval_.load(), seconds);
}

void Application::SetTuneMode(std::int32_t mode) {
  std::lock_guard lock(stateLock_);
  if (tuneMode_.exchange(mode) != mode) ++tuneGeneration_;
}

void Application::SetActivePage(std::int32_t page) {
  std::lock_guard apply(applyLock_);
  activePage_.store(page);
  shownSince_.reset();
  if (page == kStatusPage) {
    shownSince_ = std::chrono::steady_clock::now();
    // A receiver without status output is asked at once.
    if (statusInterval_.load() == 0 && statusThreadStarted_) statusThread_->Wake();
  }
  if (page == kStatusPage && keptReading_) {
    const auto [reading, received] = *keptReading_;
    keptReading_.reset();
    // A reading from a line closed since is no news of the receiver on this one.
    const auto openedAt = receiverLink_.InputPort() != nullptr ? receiverLink_.InputPort()->OpenedAt() : std::nullopt;
    // Numbered when it came.
    if (openedAt && *openedAt <= received.monotonic) ApplyReading(reading, received, false);
  }
}

}  // namespace skylark

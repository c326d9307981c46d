#include "app/application.h"

#include "resources/strings.h"

namespace skylark {
namespace {

// The receiver is given this long to take a tune before its acknowledgement is looked for.
constexpr auto kTunePause = std::chrono::milliseconds(2000);

}  // namespace

bool Application::Tune(std::uint32_t statusInterval) {
  if (!IsLinkOpen()) return false;
  // An acknowledgement queued before the command was written answers an earlier one.
  std::uint64_t mark = 0;
  const std::int32_t mode = tuneMode_.load();
  if (mode == kTuneAutomatic) {
    if (!monitor_.SendAutomaticTune(statusInterval, &mark)) return false;
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
      // Named before sending: the name stays even when the command cannot be written.
      if (mode == kTuneByFrequency) {
        const std::u16string_view byFrequency = resources::LoadText(resources::kSelectedByFrequency);
        if (!byFrequency.empty()) state.currentSite.Beacon = byFrequency;
      }
      site = state.currentSite;
    });
    // No frequency or no rate is no tune: the receiver would acknowledge "0.0" and the site would
    // be saved as tuned.
    if (!(site.Frequency > 0.0) || site.MskRate == 0) return false;
    if (!monitor_.SendManualTune(site.Frequency, site.MskRate, statusInterval, &mark)) return false;
    UpdateState([](SharedState& state) {
      state.status.frequency = state.currentSite.Frequency;
      state.status.mskRate = state.currentSite.MskRate;
      state.status.snr = 0;
      state.status.signalStrength = 0;
    });
  }
  statusInterval_.store(statusInterval);
  PostSiteChanged();
  Sleep(kTunePause);
  return monitor_.AwaitTuneAcknowledge(mark);
}

bool Application::PollStatus() {
  if (activePage_.load() != kStatusPage) return false;

  // Only the newest reading counts; without a new one the snapshot stays as it was.
  const std::optional<StatusReading> reading = monitor_.QuerySignalStatus();
  if (!reading) return false;
  UpdateState([&](SharedState& state) {
    state.status.signalStrength = reading->strength;
    state.status.snr = reading->snr;
    state.status.frequency = reading->frequency;
    state.status.mskRate = reading->mskRate;
    state.status.received = reading->received;
  });

  const std::int32_t mode = tuneMode_.load();
  bool lost = false;
  bool gained = false;
  bool identify = false;
  UpdateState([&](SharedState& state) {
    if (state.status.locked) {
      if (state.status.snr < kLockThreshold) {
        state.status.locked = false;
        lost = true;
        if (mode == kTuneAutomatic) {
          state.currentSite.Frequency = 0.0;
          state.currentSite.MskRate = 0;
        }
      }
    } else if (state.status.snr >= kLockThreshold) {
      gained = true;
      if (mode == kTuneAutomatic) {
        state.currentSite.Frequency = state.status.frequency;
        state.currentSite.MskRate = static_cast<std::uint8_t>(state.status.mskRate & 0xFF);
        // The station is looked for once per gain of lock, while the site has no station.
        identify = state.currentSite.StationId == 0;
      }
    }
  });
  if (lost) PostSiteChanged();

  if (gained) {
    std::uint64_t mark = 0;
    if (identify && monitor_.SendStatusRequest(&mark) && activePage_.load() == kStatusPage) {
      std::int32_t reportedStrength = 0;
      std::int32_t reportedSnr = 0;
      double reportedFrequency = 0.0;
      std::int32_t reportedRate = 0;
      std::int32_t station = 0;
      monitor_.QueryReceiverStatus(reportedStrength, reportedSnr, reportedFrequency, reportedRate, station, mark);
      if (station != 0) {
        SelectSiteByStationId(static_cast<std::uint32_t>(station), reportedFrequency);
        UpdateState([&](SharedState& state) {
          state.status.frequency = reportedFrequency;
          state.status.mskRate = reportedRate;
          state.currentSite.Frequency = reportedFrequency;
          state.currentSite.MskRate = static_cast<std::uint8_t>(reportedRate & 0xFF);
          state.status.signalStrength = reportedStrength;
          state.status.snr = reportedSnr;
        });
        NotifySiteChanged();
      }
    }
    UpdateState([](SharedState& state) { state.status.locked = true; });
  }

  PostStatusChanged();
  return true;
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

}  // namespace skylark

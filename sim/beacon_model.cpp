#include "sim/beacon_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace skylark::sim {
namespace {

// A station is on the tuned channel when it lies within half the 0.1 kHz step of the sentence.
constexpr double kFrequencyTolerance = 0.05;

bool Matches(const AudibleStation& station, const TuneCommand& tuning) {
  if (tuning.frequency &&
      std::fabs(station.site.Frequency - *tuning.frequency) > kFrequencyTolerance + 1e-9) {
    return false;
  }
  return !tuning.mskRate || station.site.MskRate == *tuning.mskRate;
}

}  // namespace

void BeaconModel::Hear(const BeaconSite& site, int snr, int strength) {
  for (auto& station : audible_) {
    if (station.site == site) {
      station.snr = snr;
      station.strength = strength;
      return;
    }
  }
  audible_.push_back({site, snr, strength});
}

bool BeaconModel::SetSnr(std::uint16_t stationId, int snr) {
  bool found = false;
  for (auto& station : audible_) {
    if (station.site.StationId == stationId) {
      station.snr = snr;
      found = true;
    }
  }
  return found;
}

void BeaconModel::Tune(const TuneCommand& command, Millis now) {
  tuning_ = command;
  tunedAt_ = now;
}

const AudibleStation* BeaconModel::Candidate() const {
  const AudibleStation* best = nullptr;
  for (const auto& station : audible_) {
    if (Matches(station, tuning_) && (best == nullptr || station.snr > best->snr)) best = &station;
  }
  return best;
}

SignalReading BeaconModel::Read(Millis now) {
  const Millis wait = tuning_.frequency ? timing_.settle : timing_.scan;
  const AudibleStation* station = now - tunedAt_ >= wait ? Candidate() : nullptr;
  SignalReading reading;
  if (station != nullptr) {
    reading.strength = station->strength;
    reading.snr = station->snr;
    reading.frequencyKhz = station->site.Frequency;
    reading.bitRate = station->site.MskRate;
    reading.stationId = station->site.StationId;
    reading.locked = true;
    return reading;
  }
  // Noise stays below the lock threshold of 7 and wanders a little so a display visibly updates.
  noiseStep_ = (noiseStep_ + 1) % 3;
  reading.snr = 2 + static_cast<int>(noiseStep_);
  reading.strength = 10 + static_cast<int>(noiseStep_);
  reading.frequencyKhz = tuning_.frequency.value_or(0.0);
  reading.bitRate = tuning_.mskRate.value_or(0);
  return reading;
}

int HearCountry(BeaconModel& model, const SiteCatalogue& catalogue, std::u16string_view region,
                std::u16string_view country) {
  int added = 0;
  for (const auto& site : catalogue.AllSites()) {
    if (site->Region != region || site->Country != country) continue;
    const int snr = std::max(20 - 2 * added, 8);
    model.Hear(*site, snr, 40 + snr);
    ++added;
  }
  return added;
}

std::string SignalStatusSentence(const SignalReading& reading) {
  return FormatSignalStatus({reading.strength, reading.snr, reading.frequencyKhz, reading.bitRate});
}

std::string ReceiverStatusSentence(const SignalReading& reading, const TuneCommand& tuning) {
  // Fields the application does not use carry what such a receiver reports: serial number,
  // channel, the two search modes, firmware, status interval, lock state and a word count.
  // Built whole rather than assigned field by field: GCC 12 warns falsely (-Wrestrict) on
  // assigning a short literal to a std::string at -O2.
  const StationReport report{
      .receiverSerial = "SIM0001",
      .channel = 0,
      .frequency = reading.frequencyKhz,
      .frequencyMode = std::string(1, tuning.frequency ? 'M' : 'A'),
      .mskRate = reading.bitRate,
      .rateMode = std::string(1, tuning.mskRate ? 'M' : 'A'),
      .signalStrength = reading.strength,
      .snr = reading.snr,
      .firmware = "SIM1.00",
      .statusInterval = static_cast<std::int32_t>(tuning.interval),
      .stationId = reading.stationId,
      .searchState = reading.locked ? "LOCK" : "SRCH",
      .quality = reading.locked ? 100 : 0,
  };
  return FormatStationReport(report);
}

}  // namespace skylark::sim

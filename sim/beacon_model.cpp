#include "sim/beacon_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace skylark::sim {
namespace {

// A station is on the tuned channel when it lies within half the 0.1 kHz step of the sentence.
constexpr double kFrequencyTolerance = 0.05;

bool Matches(const AudibleStation& station, const MskCommand& tuning) {
  if (tuning.frequencyKhz &&
      std::fabs(station.site.Frequency - *tuning.frequencyKhz) > kFrequencyTolerance + 1e-9) {
    return false;
  }
  return !tuning.bitRate || station.site.MskRate == *tuning.bitRate;
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

void BeaconModel::Tune(const MskCommand& command, Millis now) {
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
  const Millis wait = tuning_.frequencyKhz ? timing_.settle : timing_.scan;
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
  reading.frequencyKhz = tuning_.frequencyKhz.value_or(0.0);
  reading.bitRate = tuning_.bitRate.value_or(0);
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
  char text[96];
  std::snprintf(text, sizeof text, "$CRMSS,%d,%d,%.1f,%d", reading.strength, reading.snr,
                reading.frequencyKhz, reading.bitRate);
  return text;
}

std::string ReceiverStatusSentence(const SignalReading& reading, const MskCommand& tuning) {
  // Fields the application does not use carry what such a receiver reports: serial number,
  // channel, the two search modes, firmware, status interval, lock state and a word count.
  char text[160];
  std::snprintf(text, sizeof text, "$PCSI,CS0,SIM0001,0,%.1f,%c,%d,%c,%d,%d,SIM1.00,%u,%u,%s,%d",
                reading.frequencyKhz, tuning.frequencyKhz ? 'M' : 'A', reading.bitRate,
                tuning.bitRate ? 'M' : 'A', reading.strength, reading.snr, tuning.interval,
                static_cast<unsigned>(reading.stationId), reading.locked ? "LOCK" : "SRCH",
                reading.locked ? 100 : 0);
  return text;
}

}  // namespace skylark::sim

#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "receiver/sentences.h"
#include "sim/sentence.h"
#include "sites/beacon_site.h"
#include "sites/site_catalogue.h"

// What the simulated receiver hears: a set of audible beacon stations and the tuning that picks
// one of them.
namespace skylark::sim {

using Millis = std::chrono::milliseconds;

struct AudibleStation {
  BeaconSite site;
  int snr = 20;
  int strength = 60;
};

// One reading of the receiver's signal status.
struct SignalReading {
  int strength = 0;
  int snr = 0;
  double frequencyKhz = 0.0;
  int bitRate = 0;
  std::uint16_t stationId = 0;  // 0 while nothing is locked
  bool locked = false;
};

class BeaconModel {
 public:
  struct Timing {
    Millis settle{2000};  // manual frequency: time to lock once tuned
    Millis scan{4000};    // automatic frequency: time to search the band
  };

  explicit BeaconModel(Timing timing) : timing_(timing) {}

  // Makes a station audible, or changes how well an audible one is heard.
  void Hear(const BeaconSite& site, int snr, int strength);
  // Changes the SNR of the audible station with this ID; false when none has it.
  bool SetSnr(std::uint16_t stationId, int snr);
  const std::vector<AudibleStation>& Audible() const { return audible_; }

  // A receiver starts searching on its own at power-on.
  void Tune(const TuneCommand& command, Millis now);
  const TuneCommand& Tuning() const { return tuning_; }

  SignalReading Read(Millis now);

 private:
  const AudibleStation* Candidate() const;

  Timing timing_;
  std::vector<AudibleStation> audible_;
  TuneCommand tuning_;
  Millis tunedAt_{0};
  unsigned noiseStep_ = 0;
};

// Adds every site of one country, SNR falling in file order (20, 18, 16, ... not below 8).
// Returns how many sites were added.
int HearCountry(BeaconModel& model, const SiteCatalogue& catalogue, std::u16string_view region,
                std::u16string_view country);

// "$CRMSS,<strength>,<snr>,<freq>,<rate>" without checksum.
std::string SignalStatusSentence(const SignalReading& reading);
// "$PCSI,CS0,..." with its thirteen fields, without checksum.
std::string ReceiverStatusSentence(const SignalReading& reading, const TuneCommand& tuning);

}  // namespace skylark::sim

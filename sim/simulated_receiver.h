#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "sim/beacon_model.h"
#include "sim/sentence.h"
#include "sites/site_catalogue.h"

// The simulated receiver's behaviour, apart from the line: what it answers to each received line,
// what it sends on its own, and the operator's fault switches.
namespace skylark::sim {

struct Faults {
  bool silence = false;  // sends nothing at all (commands still take effect)
  bool garbage = false;  // noise and broken sentences between the real ones
  bool dropAck = false;  // tunes but never acknowledges
  // The signal strength of each status sentence is its number (1, 2, 3 ...), so that a reading
  // shown can be traced back to the sentence it came from.
  bool numbered = false;
};

// What the receiver puts on the line: each entry is one piece of output, a finished sentence
// with checksum and CR LF, or noise.
using Output = std::vector<std::string>;

class SimulatedReceiver {
 public:
  SimulatedReceiver(BeaconModel& model, const SiteCatalogue& catalogue, bool ackAll)
      : model_(model), catalogue_(catalogue), ackAll_(ackAll) {}

  Faults& FaultSwitches() { return faults_; }

  // The answer to one received line.
  Output OnLine(std::string_view line, Millis now);
  // The signal-status sentences due by `now`.
  Output OnTime(Millis now);
  // When OnTime next has something to send; nullopt while the status output is off.
  std::optional<Millis> NextDue() const;

  enum class ControlResult { Done, Invalid, Hangup, Quit };
  // One operator command: "snr ID VALUE", "silence|garbage|drop-ack on|off", "power-cycle",
  // "hangup", "quit".
  // `message` says what was done or what was wrong, for the log.
  ControlResult Control(std::string_view command, Millis now, std::string& message);

 private:
  void Emit(Output& out, std::string_view sentence);
  void SetInterval(unsigned interval, Millis now);

  BeaconModel& model_;
  const SiteCatalogue& catalogue_;
  bool ackAll_;
  Faults faults_;
  unsigned interval_ = 0;
  int statusCount_ = 0;
  Millis nextStatus_{0};
  std::mt19937 noise_{4800};  // fixed seed: a run is reproducible
};

}  // namespace skylark::sim

#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <vector>

#include "receiver/receiver_monitor.h"

namespace skylark::rules {

// One status reading as the chart draws it. Times are the reading's arrival on the UTC clock,
// the one a chart's time axis shows.
struct SignalPoint {
  std::chrono::system_clock::time_point at;
  std::int32_t snr = 0;       // negatives as 0, as the Status page shows them
  std::int32_t strength = 0;  // negatives as 0
  bool operator==(const SignalPoint&) const = default;
};

// A reading at which the receiver's lock (skylark::IsLocked of its SNR) changed.
struct LockChange {
  std::chrono::system_clock::time_point at;
  std::int32_t snr = 0;  // where the marker sits
  bool locked = false;
  bool operator==(const LockChange&) const = default;
};

// All a chart draws at one moment; both front ends draw exactly this.
struct ChartContents {
  std::chrono::system_clock::time_point start;
  std::chrono::system_clock::time_point end;
  // The axes run from 0 to these.
  std::int32_t snrTop = 0;
  std::int32_t strengthTop = 0;
  // The readings between start and end as unbroken lines, oldest first; a line of one reading
  // is drawn as a dot.
  std::vector<std::vector<SignalPoint>> lines;
  std::vector<LockChange> lockChanges;
  // The time labels carry seconds while the axis spans a few minutes only, so that they differ.
  bool seconds = false;
};

// The readings of the last ten minutes and the moments lock changed among them.
class SignalHistory {
 public:
  static constexpr std::chrono::minutes kSpan{10};
  // Readings come every second while the receiver reports; this much silence breaks the line.
  static constexpr std::chrono::seconds kGap{5};

  // Takes the status's reading, when it has one, and drops what has left the window since.
  // `tunes` counts the tunes sent before the reading: a new count starts a new segment, whose
  // line is not joined to the one before and whose first locked reading gains lock.
  void Add(const ReceiverStatus& status, std::uint64_t tunes);
  // What the chart shows for the ten minutes up to `now`, rounded up to the next half minute.
  ChartContents At(std::chrono::system_clock::time_point now) const;

 private:
  struct Entry {
    SignalPoint point;
    bool startsLine = false;
  };

  std::deque<Entry> entries_;
  std::deque<LockChange> lockChanges_;
  std::uint64_t tunes_ = 0;
};

}  // namespace skylark::rules

#pragma once

#include <chrono>
#include <cstdint>
#include <deque>

#include "receiver/receiver_monitor.h"

namespace skylark::rules {

// One status reading as the chart draws it. Times are the reading's arrival on the UTC clock,
// the one a chart's time axis shows.
struct SignalPoint {
  std::chrono::system_clock::time_point at;
  std::int32_t snr = 0;       // negatives as 0, as the Status page shows them
  std::int32_t strength = 0;  // negatives as 0
};

// The moment the receiver's lock, as the Status page derives it (SNR 7 and above), changed.
struct LockChange {
  std::chrono::system_clock::time_point at;
  bool locked = false;
};

// The last ten minutes of readings and lock changes, oldest first. A view appends what Add
// reports new and trims what Trim reports dropped, so it never rebuilds its series.
class SignalHistory {
 public:
  static constexpr std::chrono::minutes kSpan{10};
  // The SNR from which a reading counts as locked.
  static constexpr std::int32_t kLockThreshold = skylark::kLockThreshold;

  // Takes the snapshot's reading when it is one not seen before (a reading is known by its
  // arrival time); true when a point was added, and then also a lock change when the lock
  // differs from the previous point's (the first point changes nothing).
  bool Add(const ReceiverStatus& status);
  // Drops what is older than kSpan before `now`; how many points and lock changes went.
  struct Dropped {
    std::size_t points = 0;
    std::size_t lockChanges = 0;
  };
  Dropped Trim(std::chrono::system_clock::time_point now);

  const std::deque<SignalPoint>& Points() const { return points_; }
  const std::deque<LockChange>& LockChanges() const { return lockChanges_; }
  // Whether the last Add also added a lock change.
  bool LastAddChangedLock() const { return lastAddChangedLock_; }

 private:
  std::deque<SignalPoint> points_;
  std::deque<LockChange> lockChanges_;
  std::chrono::steady_clock::time_point lastArrival_{};
  bool lastAddChangedLock_ = false;
};

}  // namespace skylark::rules

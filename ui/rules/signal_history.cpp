#include "ui/rules/signal_history.h"

#include <algorithm>

namespace skylark::rules {

bool SignalHistory::Add(const ReceiverStatus& status) {
  lastAddChangedLock_ = false;
  if (!status.received || status.received->monotonic == lastArrival_) return false;
  lastArrival_ = status.received->monotonic;
  const SignalPoint point{status.received->utc, std::max(status.snr, 0),
                          std::max(status.signalStrength, 0)};
  const bool locked = point.snr >= kLockThreshold;
  const bool wasLocked = !points_.empty() && points_.back().snr >= kLockThreshold;
  if (!points_.empty() && locked != wasLocked) {
    lockChanges_.push_back({point.at, locked});
    lastAddChangedLock_ = true;
  }
  points_.push_back(point);
  return true;
}

SignalHistory::Dropped SignalHistory::Trim(std::chrono::system_clock::time_point now) {
  const auto cutoff = now - kSpan;
  Dropped dropped;
  while (!points_.empty() && points_.front().at < cutoff) {
    points_.pop_front();
    ++dropped.points;
  }
  while (!lockChanges_.empty() && lockChanges_.front().at < cutoff) {
    lockChanges_.pop_front();
    ++dropped.lockChanges;
  }
  return dropped;
}

}  // namespace skylark::rules

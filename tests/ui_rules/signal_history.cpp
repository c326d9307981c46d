#include "ui/rules/signal_history.h"

#include <gtest/gtest.h>

#include <vector>

namespace skylark::rules {
namespace {

using namespace std::chrono_literals;

TEST(SignalHistory, APointPerReadingLockChangesAtTheThresholdTenMinutesKept) {
  const auto t0 = std::chrono::steady_clock::now();
  const auto u0 = std::chrono::system_clock::now();
  SignalHistory history;
  const struct {
    std::chrono::seconds at;
    std::int32_t snr;
    bool added;
    int lockChange;  // -1 none, else the new lock
  } readings[] = {
      {0s, 8, true, -1},  // the first point changes nothing
      {0s, 3, false, -1}, // the same reading seen again
      {1s, 7, true, -1},   {2s, 6, true, 0}, {3s, -4, true, -1},
      {4s, 7, true, 1},    {700s, 20, true, -1},
  };
  for (const auto& r : readings) {
    ReceiverStatus status;
    status.snr = r.snr;
    status.signalStrength = r.snr + 40;
    status.received = ReadingTime{t0 + r.at, u0 + r.at};
    EXPECT_EQ(history.Add(status), r.added) << r.at.count();
    EXPECT_EQ(history.LastAddChangedLock(), r.lockChange >= 0) << r.at.count();
    if (r.lockChange >= 0) {
      EXPECT_EQ(history.LockChanges().back().locked, r.lockChange == 1);
    }
  }
  EXPECT_EQ(history.Points()[3].snr, 0);  // negatives as 0
  ReceiverStatus unread;  // no reading yet
  EXPECT_FALSE(history.Add(unread));
  const SignalHistory::Dropped dropped = history.Trim(u0 + 700s);
  EXPECT_EQ(dropped.points, 5u);
  EXPECT_EQ(dropped.lockChanges, 2u);
  ASSERT_EQ(history.Points().size(), 1u);
  EXPECT_EQ(history.Points().front().snr, 20);
}

}  // namespace
}  // namespace skylark::rules

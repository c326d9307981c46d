#include "ui/rules/signal_history.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace skylark::rules {
namespace {

using namespace std::chrono_literals;
using Seconds = std::chrono::seconds;

// On a step of the window, so that the expected ends read plainly.
const std::chrono::system_clock::time_point kStart{std::chrono::hours(490'000)};

void Hear(SignalHistory& history, Seconds at, std::int32_t snr, std::int32_t strength, std::uint64_t tunes = 0) {
  ReceiverStatus status;
  status.snr = snr;
  status.signalStrength = strength;
  status.received = ReadingTime{std::chrono::steady_clock::time_point(at), kStart + at};
  history.Add(status, tunes);
}

std::vector<std::size_t> LineSizes(const ChartContents& contents) {
  std::vector<std::size_t> sizes;
  for (const auto& line : contents.lines) sizes.push_back(line.size());
  return sizes;
}

// Lines break where readings are 5 s apart and at a tune; lock changes at the threshold, and the
// first locked reading after a tune gains it, while the very first reading (lock unknown) does not.
TEST(SignalHistory, LinesBreakAtGapsAndTunesAndTheFirstLockAfterATuneIsMarked) {
  const struct {
    Seconds at;
    std::int32_t snr;
    std::uint64_t tunes;
  } readings[] = {{0s, 12, 0}, {1s, -5, 0}, {2s, 7, 0}, {7s, 9, 0},   {8s, 3, 1},
                  {9s, 10, 1}, {10s, 11, 2}, {14s, 11, 2}, {15s, 6, 2}};
  SignalHistory history;
  for (const auto& r : readings) Hear(history, r.at, r.snr, 50, r.tunes);
  const ChartContents contents = history.At(kStart + 15s);
  EXPECT_EQ(LineSizes(contents), (std::vector<std::size_t>{3, 1, 2, 3}));
  EXPECT_EQ(contents.lines[0][1].snr, 0);  // negatives as 0
  std::vector<std::pair<Seconds, bool>> changes;
  for (const LockChange& c : contents.lockChanges) changes.emplace_back(std::chrono::duration_cast<Seconds>(c.at - kStart), c.locked);
  EXPECT_EQ(changes, (std::vector<std::pair<Seconds, bool>>{{1s, false}, {2s, true}, {9s, true}, {10s, true},
                                                            {15s, false}}));
}

// The window is the ten minutes up to the next 30 s step; the axes fit what is in it, shrinking
// again as the highest readings leave, and what has left is dropped with the next reading.
TEST(SignalHistory, TheWindowMovesInStepsAndTheAxesFitWhatIsInIt) {
  const struct {
    Seconds heard;  // a reading at this time first, unless negative
    std::int32_t snr, strength;
    Seconds now;
    Seconds end;
    std::size_t points;
    std::int32_t snrTop, strengthTop;
  } steps[] = {
      {0s, 45, 120, 0s, 0s, 1, 50, 130},          {300s, 12, 50, 300s, 300s, 2, 50, 130},
      {600s, 29, 60, 600s, 600s, 3, 50, 130},     {-1s, 0, 0, 601s, 630s, 2, 30, 100},
      {1000s, 5, 10, 600s, 600s, 2, 30, 100},
  };
  SignalHistory history;
  for (const auto& s : steps) {
    if (s.heard >= 0s) Hear(history, s.heard, s.snr, s.strength);
    const ChartContents contents = history.At(kStart + s.now);
    EXPECT_EQ(contents.end, kStart + s.end) << s.now.count();
    EXPECT_EQ(contents.end - contents.start, SignalHistory::kSpan);
    EXPECT_EQ(contents.lines.size(), s.points) << s.now.count();  // minutes apart: each alone
    EXPECT_EQ(contents.snrTop, s.snrTop) << s.now.count();
    EXPECT_EQ(contents.strengthTop, s.strengthTop) << s.now.count();
  }
}

}  // namespace
}  // namespace skylark::rules

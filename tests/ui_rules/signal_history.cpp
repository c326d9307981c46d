#include "ui/rules/signal_history.h"

#include <gtest/gtest.h>

#include <string>

namespace skylark::rules {
namespace {

using namespace std::chrono_literals;

// On a step of the window, so that the expected ends read plainly.
const std::chrono::system_clock::time_point kStart{std::chrono::hours(490'000)};

struct Heard { std::chrono::seconds at; std::int32_t snr, strength; std::uint64_t tunes; };

void Add(SignalHistory& history, const Heard& h) {
  const ReadingTime at{std::chrono::steady_clock::time_point(h.at), kStart + h.at};
  history.Add(ReceiverStatus{0.0, 0, h.snr, h.strength, false, at}, h.tunes);
}

// The window's start and end, the axes' tops | the lines' lengths, the lock changes by second
// ("+" gained).
std::string Drawn(const ChartContents& c) {
  std::string drawn = std::to_string((c.start - kStart) / 1s) + (c.seconds ? "s " : " ") +
                      std::to_string((c.end - kStart) / 1s) + " " + std::to_string(c.snrTop) + " " +
                      std::to_string(c.strengthTop) + " |";
  for (const auto& line : c.lines) drawn += " " + std::to_string(line.size());
  for (const auto& l : c.lockChanges) drawn += " " + std::to_string((l.at - kStart) / 1s) + (l.locked ? "+" : "-");
  return drawn;
}

// Lines break where readings are 5 s apart and at a tune; the first locked reading after a tune
// gains lock, the very first reading (lock unknown) does not.
TEST(SignalHistory, LinesBreakAtGapsAndTunesAndTheFirstLockAfterATuneIsMarked) {
  SignalHistory history;
  for (const Heard& h : {Heard{0s, 12, 50, 0}, {1s, -5, 50, 0}, {2s, 7, 50, 0}, {7s, 9, 50, 0}, {8s, 3, 50, 1},
                         {9s, 10, 50, 1}, {10s, 11, 50, 2}, {14s, 11, 50, 2}, {15s, 6, 50, 2}}) {
    Add(history, h);
  }
  EXPECT_EQ(Drawn(history.At(kStart + 15s)), "0s 30 30 100 | 3 1 2 3 1- 2+ 9+ 10+ 15-");
}

// The window is the ten minutes up to the next 30 s step, from the first reading while fewer have
// been heard; the axes fit what is in it, shrinking as the highest readings leave, and what has
// left is dropped with the next reading.
TEST(SignalHistory, TheWindowMovesInStepsAndTheAxesFitWhatIsInIt) {
  const struct {
    Heard heard;  // none at a negative time
    std::chrono::seconds now;
    const char* drawn;  // readings minutes apart: each a line of one
  } steps[] = {{{0s, 45, 120, 0}, 0s, "0s 30 50 130 | 1"},          {{300s, 12, 50, 0}, 300s, "0 300 50 130 | 1 1"},
               {{600s, 29, 60, 0}, 600s, "0 600 50 130 | 1 1 1"}, {{-1s, 0, 0, 0}, 601s, "30 630 30 100 | 1 1"},
               {{1000s, 5, 10, 0}, 600s, "600s 630 30 100 | 1 1 1000-"}};
  SignalHistory history;
  for (const auto& s : steps) {
    if (s.heard.at >= 0s) Add(history, s.heard);
    EXPECT_EQ(Drawn(history.At(kStart + s.now)), s.drawn) << s.now.count();
  }
}

}  // namespace
}  // namespace skylark::rules

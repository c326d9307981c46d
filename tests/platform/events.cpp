#include "platform/events.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace skylark::platform {
namespace {

using namespace std::chrono_literals;

TEST(Event, ResetModeDecidesWhetherAWaitConsumesTheSignal) {
  struct Case {
    const char* what;
    bool manualReset;
    bool initiallySet;
    int setCalls;  // -1: Reset instead
    bool firstWait;
    bool secondWait;
  };
  const Case cases[] = {
      {"manual, initially set", true, true, 0, true, true},
      {"automatic, initially set", false, true, 0, true, false},
      {"manual, not set", true, false, 0, false, false},
      {"automatic, not set", false, false, 0, false, false},
      {"automatic, set twice counts once", false, false, 2, true, false},
      {"manual, set after creation", true, false, 1, true, true},
      {"manual, set then reset", true, true, -1, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto event = CreateEvent(c.manualReset, c.initiallySet);
    ASSERT_NE(event, nullptr);
    for (int i = 0; i < c.setCalls; ++i) event->Set();
    if (c.setCalls < 0) event->Reset();
    EXPECT_EQ(event->Wait(0), c.firstWait);
    EXPECT_EQ(event->Wait(0), c.secondWait);
  }
}

TEST(Event, WaitWakesWhenAnotherThreadSets) {
  auto event = CreateEvent(false, false);
  ASSERT_NE(event, nullptr);
  std::thread setter([&] {
    std::this_thread::sleep_for(20ms);
    event->Set();
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(event->Wait(5000));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
  setter.join();
}

TEST(Event, WaitTimesOutNoEarlierThanAsked) {
  auto event = CreateEvent(true, false);
  ASSERT_NE(event, nullptr);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(event->Wait(60));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}

TEST(WaitForEither, FirstWinsAndOnlyTheWinnerIsConsumed) {
  struct Case {
    const char* what;
    bool firstSet;
    bool secondSet;
    WaitResult expected;
    bool secondStillSet;
  };
  const Case cases[] = {
      {"both signalled", true, true, WaitResult::First, true},
      {"only the second", false, true, WaitResult::Second, false},
      {"only the first", true, false, WaitResult::First, false},
      {"neither", false, false, WaitResult::Timeout, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto first = CreateEvent(false, c.firstSet);
    auto second = CreateEvent(false, c.secondSet);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(WaitForEither(*first, *second, 10), c.expected);
    EXPECT_EQ(second->Wait(0), c.secondStillSet);
  }
}

TEST(WaitForEither, ManualEventsStaySignalledAndTheSecondWakesAWait) {
  auto terminate = CreateEvent(true, false);
  auto update = CreateEvent(true, false);
  ASSERT_NE(terminate, nullptr);
  ASSERT_NE(update, nullptr);
  std::thread setter([&] {
    std::this_thread::sleep_for(20ms);
    update->Set();
  });
  EXPECT_EQ(WaitForEither(*terminate, *update, 5000), WaitResult::Second);
  setter.join();
  EXPECT_EQ(WaitForEither(*terminate, *update, 0), WaitResult::Second);
  terminate->Set();
  EXPECT_EQ(WaitForEither(*terminate, *update, 0), WaitResult::First);
}

}  // namespace
}  // namespace skylark::platform

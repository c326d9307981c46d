#include "platform/events.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace skylark::platform {
namespace {

using namespace std::chrono_literals;

TEST(Event, ResetModeDecidesWhetherAWaitConsumesTheSignal) {
  const struct {
    const char* what;
    bool manualReset;
    bool initiallySet;
    int setCalls;  // -1: Reset instead
    bool firstWait;
    bool secondWait;
  } cases[] = {
      {"manual, initially set", true, true, 0, true, true},
      {"automatic, initially set", false, true, 0, true, false},
      {"automatic, not set", false, false, 0, false, false},
      {"automatic, set twice counts once", false, false, 2, true, false},
      {"manual, set then reset", true, true, -1, false, false},
  };
  for (const auto& c : cases) {
    auto event = CreateEvent(c.manualReset, c.initiallySet);
    ASSERT_NE(event, nullptr);
    for (int i = 0; i < c.setCalls; ++i) event->Set();
    if (c.setCalls < 0) event->Reset();
    EXPECT_EQ(event->Wait(0), c.firstWait) << c.what;
    EXPECT_EQ(event->Wait(0), c.secondWait) << c.what;
  }
}

TEST(WaitForEither, FirstWinsAndOnlyTheWinnerIsConsumed) {
  const struct {
    const char* what;
    bool firstSet;
    bool secondSet;
    WaitResult expected;
    bool secondStillSet;
  } cases[] = {
      {"both signalled", true, true, WaitResult::First, true},
      {"only the second", false, true, WaitResult::Second, false},
      {"neither", false, false, WaitResult::Timeout, false},
  };
  for (const auto& c : cases) {
    auto first = CreateEvent(false, c.firstSet);
    auto second = CreateEvent(false, c.secondSet);
    ASSERT_TRUE(first && second);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForEither(*first, *second, 60), c.expected) << c.what;
    if (c.expected == WaitResult::Timeout) {
      EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms) << "no earlier than asked";
    }
    EXPECT_EQ(second->Wait(0), c.secondStillSet) << c.what;
  }
}

TEST(WaitForEither, WakesWhenAnotherThreadSetsAndManualEventsStaySignalled) {
  auto terminate = CreateEvent(true, false);
  auto update = CreateEvent(true, false);
  ASSERT_TRUE(terminate && update);
  std::thread setter([&] {
    std::this_thread::sleep_for(20ms);
    update->Set();
  });
  EXPECT_EQ(WaitForEither(*terminate, *update, 5000), WaitResult::Second);
  setter.join();
  terminate->Set();
  EXPECT_EQ(WaitForEither(*terminate, *update, 0), WaitResult::First);
  EXPECT_TRUE(update->Wait(0));
}

}  // namespace
}  // namespace skylark::platform

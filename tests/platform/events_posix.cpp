#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/events.h"
#include "tests/support/xdg_dirs_posix.h"

namespace skylark::platform {
namespace {

class NamedEvent : public ::testing::Test {
 protected:
  testing::ScopedXdgDirs dirs_;
};

TEST_F(NamedEvent, AnExistingEventKeepsItsSignalWhenObtainedAgain) {
  auto done = CreateEvent(false, false, u"Beacon_Status_Thread_Done");
  ASSERT_NE(done, nullptr);
  done->Set();
  auto again = CreateEvent(false, false, u"Beacon_Status_Thread_Done");
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(again->Wait(0));
  EXPECT_FALSE(done->Wait(0)) << "an automatic-reset wait through one handle resets it for all";
}

// A crashed run leaves its event file behind; the next run must not inherit its signal.
TEST_F(NamedEvent, ALeftOverFileIsANewEventWithTheInitialStateAskedFor) {
  const std::string dir = dirs_.RuntimeHome() + "/skylark";
  ASSERT_TRUE(std::filesystem::create_directories(dir));
  ASSERT_EQ(::mkfifo((dir + "/cvSkylark.TerminateEvent.event").c_str(), 0600), 0);
  for (const bool initiallySet : {false, true, false}) {
    auto event = CreateEvent(true, initiallySet, u"cvSkylark.TerminateEvent");
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->Wait(0), initiallySet);
    event->Set();
  }
}

// Another process signalling by name is CliCommand.SignalReachesOnlyARunningSkylark's to show.
TEST_F(NamedEvent, SignalledByName) {
  auto update = CreateEvent(true, false, u"cvSkylark.UpdateEvent");
  auto terminate = CreateEvent(true, false, u"cvSkylark.TerminateEvent");
  ASSERT_TRUE(update && terminate);
  EXPECT_TRUE(SignalNamedEvent(u"cvSkylark.TerminateEvent"));
  EXPECT_TRUE(SignalNamedEvent(u"cvSkylark.TerminateEvent")) << "signalling twice is harmless";
  EXPECT_EQ(WaitForEither(*terminate, *update, 2000), WaitResult::First);
  terminate->Reset();
  EXPECT_FALSE(terminate->Wait(0)) << "one reset clears however many signals came";
  update.reset();
  EXPECT_FALSE(SignalNamedEvent(u"cvSkylark.UpdateEvent")) << "its holder has let it go";
}

}  // namespace
}  // namespace skylark::platform

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/events.h"
#include "tests/support/xdg_dirs_posix.h"

namespace skylark::platform {
namespace {

namespace fs = std::filesystem;

class NamedEvent : public ::testing::Test {
 protected:
  std::string EventDirectory() const { return dirs_.RuntimeHome() + "/skylark"; }
  testing::ScopedXdgDirs dirs_;
};

TEST_F(NamedEvent, TwoCreationsOfOneNameShareTheSignal) {
  auto done = CreateEvent(false, false, u"Beacon_Status_Thread_Done");
  ASSERT_NE(done, nullptr);
  done->Set();
  // Obtained again by name while signalled (as shutdown does): the signal must not be lost.
  auto again = CreateEvent(false, false, u"Beacon_Status_Thread_Done");
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(again->Wait(0));
  EXPECT_FALSE(done->Wait(0)) << "an automatic-reset wait through one handle resets it for all";
}

TEST_F(NamedEvent, ALeftOverFileIsANewEventWithTheInitialStateAskedFor) {
  ASSERT_TRUE(fs::create_directories(EventDirectory()) || fs::is_directory(EventDirectory()));
  const std::string path = EventDirectory() + "/cvSkylark.TerminateEvent.event";
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  for (const bool initiallySet : {false, true, false}) {
    auto event = CreateEvent(true, initiallySet, u"cvSkylark.TerminateEvent");
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->Wait(0), initiallySet);
    event->Set();  // closed while signalled: the next run must not see it
  }
}

TEST_F(NamedEvent, SignalledByNameFromAnotherProcess) {
  EXPECT_FALSE(SignalNamedEvent(u"cvSkylark.UpdateEvent")) << "nobody holds it yet";
  auto update = CreateEvent(true, false, u"cvSkylark.UpdateEvent");
  auto terminate = CreateEvent(true, false, u"cvSkylark.TerminateEvent");
  ASSERT_NE(update, nullptr);
  ASSERT_NE(terminate, nullptr);
  EXPECT_EQ(testing::RunInChild([] { return SignalNamedEvent(u"cvSkylark.UpdateEvent") ? 0 : 1; }), 0);
  EXPECT_EQ(WaitForEither(*terminate, *update, 2000), WaitResult::Second);
  update->Reset();
  EXPECT_TRUE(SignalNamedEvent(u"cvSkylark.TerminateEvent"));
  EXPECT_TRUE(SignalNamedEvent(u"cvSkylark.TerminateEvent")) << "signalling twice is harmless";
  EXPECT_EQ(WaitForEither(*terminate, *update, 2000), WaitResult::First);
  terminate->Reset();
  EXPECT_FALSE(terminate->Wait(0)) << "one reset clears however many signals came";
  update.reset();
  EXPECT_FALSE(SignalNamedEvent(u"cvSkylark.UpdateEvent")) << "its holder has let it go";
}

TEST_F(NamedEvent, NamesStayInsideTheRuntimeDirectoryAndNeverCollide) {
  const std::u16string names[] = {u"../escape", u"a/b", u"a_b", u"a%002Fb", u".hidden", u"Ünïcode ☃"};
  std::vector<std::unique_ptr<Event>> events;
  for (const auto& name : names) {
    events.push_back(CreateEvent(true, false, name));
    ASSERT_NE(events.back(), nullptr);
  }
  events[1]->Set();
  for (std::size_t i = 0; i < events.size(); ++i) EXPECT_EQ(events[i]->Wait(0), i == 1) << i;
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(EventDirectory())) {
    EXPECT_TRUE(entry.is_fifo()) << entry.path();
    ++files;
  }
  EXPECT_EQ(files, std::size(names));
  EXPECT_EQ(std::distance(fs::directory_iterator(dirs_.RuntimeHome()), fs::directory_iterator()), 1);
}

TEST_F(NamedEvent, SomethingElseUnderTheNameIsRefused) {
  ASSERT_TRUE(fs::create_directories(EventDirectory()));
  const std::string path = EventDirectory() + "/Planted.event";
  const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ::close(fd);
  EXPECT_EQ(CreateEvent(true, false, u"Planted"), nullptr);
  EXPECT_FALSE(SignalNamedEvent(u"Planted"));
  EXPECT_EQ(fs::file_size(path), 0u);
}

}  // namespace
}  // namespace skylark::platform

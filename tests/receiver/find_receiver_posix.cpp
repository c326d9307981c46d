#include <gtest/gtest.h>

#include <future>

#include "receiver/receiver_probe.h"
#include "receiver/sentences.h"
#include "tests/support/pty.h"
#include "tests/support/xdg_dirs_posix.h"

namespace skylark {
namespace {

using namespace std::chrono_literals;

// A receiver on COM4: (and again on COM5:, a second name of its device), a silent line on COM2:
// and nothing behind the other names: the search names COM4: with what it reported, asks the
// device once, and says of each other port what it found.
TEST(FindReceiver, SelectsThePortThatAnsweredAndSaysWhyTheOthersDidNot) {
  testing::TempConfigHome home;
  testing::PtyPair receiver;
  testing::PtyPair silent;
  ASSERT_TRUE(testing::LinkPort(4, receiver.SlavePath()));
  ASSERT_TRUE(testing::LinkPort(2, silent.SlavePath()));
  ASSERT_TRUE(testing::LinkPort(5, receiver.SlavePath()));
  auto search = std::async(std::launch::async, [] { return FindReceiver(500ms); });
  ASSERT_EQ(receiver.Receive(9, 2s), "$PCSI,1\r\n");
  ASSERT_TRUE(receiver.Send(
      WithChecksum("$PCSI,CS0,SIM0001,0,290.0,M,100,M,60,20,SIM1.00,1,705,LOCK,100") + "\r\n"));
  const ReceiverSearch result = search.get();

  ASSERT_EQ(result.found, 3u);
  EXPECT_EQ(result.ports[3].name, u"COM4:");
  EXPECT_EQ(result.ports[3].answer->stationId, 705);
  EXPECT_EQ(result.ports[4].sameAs, 3u);
  EXPECT_FALSE(result.ports[4].failure) << "COM5: was not opened while COM4: was";
  EXPECT_EQ(result.ports[4].answer->stationId, 705);
  ASSERT_TRUE(result.ports[1].answer);
  EXPECT_FALSE(result.ports[1].answer->answered) << "COM2: opened and said nothing";
  ASSERT_TRUE(result.ports[2].failure) << "COM3: leads nowhere";
  EXPECT_EQ(result.ports[2].failure->fault, platform::LineFault::NoSuchDevice);
}

}  // namespace
}  // namespace skylark

#include <gtest/gtest.h>

#include <future>

#include "receiver/receiver_probe.h"
#include "receiver/sentences.h"
#include "tests/support/pty.h"
#include "tests/support/xdg_dirs_posix.h"

namespace skylark {
namespace {

using namespace std::chrono_literals;

// A receiver on COM4: and on COM5:, a second name of its device: the device is asked once, and the
// second name reports what the first heard (the other ports are the Configuration rules' to show).
TEST(FindReceiver, ASecondNameOfTheDeviceIsNotOpenedAndSharesItsAnswer) {
  testing::TempConfigHome home;
  testing::PtyPair receiver;
  ASSERT_TRUE(testing::LinkPort(4, receiver.SlavePath()));
  ASSERT_TRUE(testing::LinkPort(5, receiver.SlavePath()));
  auto search = std::async(std::launch::async, [] { return FindReceiver(500ms); });
  ASSERT_EQ(receiver.Receive(9, 2s), "$PCSI,1\r\n");
  ASSERT_TRUE(receiver.Send(
      WithChecksum("$PCSI,CS0,SIM0001,0,290.0,M,100,M,60,20,SIM1.00,1,705,LOCK,100") + "\r\n"));
  const ReceiverSearch result = search.get();

  ASSERT_EQ(result.found, 3u);
  EXPECT_EQ(result.ports[4].sameAs, 3u);
  EXPECT_FALSE(result.ports[4].failure) << "COM5: was not opened while COM4: was";
  ASSERT_TRUE(result.ports[4].answer);
  EXPECT_EQ(result.ports[4].answer->stationId, 705);
}

}  // namespace
}  // namespace skylark

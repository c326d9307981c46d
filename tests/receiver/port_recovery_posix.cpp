#include <gtest/gtest.h>

#include <atomic>

#include "receiver/port_recovery.h"
#include "tests/support/pty.h"
#include "tests/support/xdg_dirs_posix.h"

namespace skylark {
namespace {

using namespace std::chrono_literals;

// An adapter unplugged and plugged back in: the port opens again by itself on the next try, and
// once stopped nothing more is tried.
TEST(PortRecovery, OpensTheLostPortWhenItIsBackAndNotAfterStop) {
  testing::TempConfigHome home;
  SerialPort port(u"COM2:");
  std::atomic<int> restored{0};
  PortRecovery recovery(port, 100ms, [&] { ++restored; });
  recovery.Begin(u"COM2:", AccessMode::ReadWrite);
  EXPECT_EQ(recovery.Waiting(), u"COM2:");
  std::this_thread::sleep_for(250ms);
  EXPECT_FALSE(port.IsOpen()) << "nothing behind COM2: yet";

  testing::PtyPair receiver;
  ASSERT_TRUE(testing::LinkPort(2, receiver.SlavePath()));
  EXPECT_TRUE(testing::WaitFor([&] { return restored == 1; }, 2s));
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(recovery.Waiting(), std::nullopt);

  port.Close();
  recovery.Begin(u"COM2:", AccessMode::ReadWrite);
  recovery.Stop();
  std::this_thread::sleep_for(250ms);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(restored, 1);
}

}  // namespace
}  // namespace skylark

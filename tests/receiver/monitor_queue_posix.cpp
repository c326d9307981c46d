#include <gtest/gtest.h>

#include <string>

#include "receiver/receiver_monitor.h"
#include "tests/support/xdg_dirs_posix.h"

namespace skylark {
namespace {

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

TEST(LineQueue, KeepsTheNewestLinesAndCountsTheDropped) {
  testing::ScopedXdgDirs dirs;  // the monitor's named event stays private to this test
  ReceiverLink link(u"COM4:", 4800, 0, 8, 0, 0);
  ReceiverMonitor monitor;
  monitor.Attach(&link);
  for (int i = 0; i < 300; ++i) monitor.QueueLine(Wide("line " + std::to_string(i)));
  EXPECT_EQ(monitor.QueuedLines(), ReceiverMonitor::kLineQueueLimit);
  EXPECT_EQ(monitor.DroppedLines(), 44u);
  EXPECT_EQ(link.InputPort()->ReadLine(512), u"line 44");
}

}  // namespace
}  // namespace skylark

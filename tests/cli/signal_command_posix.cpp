#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/events.h"
#include "tests/support/xdg_dirs_posix.h"

namespace skylark {
namespace {

// The exit status of skylark-cli with `arguments`; the runtime directory comes from the
// environment the test fixture set.
int RunCli(const std::string& arguments) {
  const std::string command = "'" SKYLARK_BINARY_DIR "/cli/skylark-cli' " + arguments + " 2>/dev/null";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SignalCommand, SignalsTheRunningProgramsEventsOrSaysNoneRuns) {
  testing::ScopedXdgDirs dirs;
  EXPECT_EQ(RunCli("signal update"), 2) << "nothing runs";
  auto update = platform::CreateEvent(true, false, u"cvSkylark.UpdateEvent");
  auto terminate = platform::CreateEvent(true, false, u"cvSkylark.TerminateEvent");
  ASSERT_NE(update, nullptr);
  ASSERT_NE(terminate, nullptr);
  EXPECT_EQ(RunCli("signal update"), 0);
  EXPECT_EQ(platform::WaitForEither(*terminate, *update, 2000), platform::WaitResult::Second);
  EXPECT_FALSE(terminate->Wait(0));
  EXPECT_EQ(RunCli("signal terminate"), 0);
  EXPECT_TRUE(terminate->Wait(2000));
  EXPECT_NE(RunCli("signal restart"), 0);
}

}  // namespace
}  // namespace skylark

#include <windows.h>
// windows.h renames CreateEvent to CreateEventW; ours is the platform layer's own.
#undef CreateEvent

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/events.h"
#include "tests/support/child_process_win32.h"

namespace skylark::platform {
namespace {

constexpr char16_t kChildVariable[] = u"SKYLARK_TEST_EVENT_NAME";

std::u16string UniqueName(std::u16string_view stem) {
  const std::wstring pid = std::to_wstring(::GetCurrentProcessId());
  return u"cvSkylarkTest." + std::u16string(stem) + u"." + std::u16string(pid.begin(), pid.end());
}

// Windows refuses to wait twice on one handle in one call; the answer must still come.
TEST(Win32Event, WaitForEitherOnOneEventTwice) {
  const auto update = CreateEvent(false, true);
  ASSERT_NE(update, nullptr);
  EXPECT_EQ(WaitForEither(*update, *update, 0), WaitResult::First);
  EXPECT_EQ(WaitForEither(*update, *update, 0), WaitResult::Timeout);
}

TEST(Win32Event, AnExistingNameKeepsItsModeAndState) {
  const std::u16string name = UniqueName(u"Update");
  const auto mine = CreateEvent(true, false, name);
  const auto again = CreateEvent(false, true, name);
  ASSERT_TRUE(mine && again);
  EXPECT_FALSE(again->Wait(0));
  mine->Set();
  EXPECT_TRUE(again->Wait(0));
  EXPECT_TRUE(again->Wait(0));
}

// Runs only as the second process: signals the event named by its parent.
TEST(SignalNamedEventChild, Signals) {
  const std::u16string name = wintest::ChildArgument(kChildVariable);
  if (name.empty()) GTEST_SKIP() << "runs only as a child of Win32Event tests";
  std::_Exit(SignalNamedEvent(name) ? 0 : 1);
}

TEST(Win32Event, AnotherProcessCanSignalANamedEvent) {
  const std::u16string name = UniqueName(u"UpdateEvent");
  const auto event = CreateEvent(true, false, name);
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(wintest::RunThisProgram(u"SignalNamedEventChild.*", kChildVariable, name), 0);
  EXPECT_TRUE(event->Wait(0));
  EXPECT_EQ(
      wintest::RunThisProgram(u"SignalNamedEventChild.*", kChildVariable, UniqueName(u"Missing")),
      1);
}

}  // namespace
}  // namespace skylark::platform

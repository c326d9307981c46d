#include <windows.h>
// windows.h renames CreateEvent to CreateEventW; ours is the platform layer's own.
#undef CreateEvent

#include <gtest/gtest.h>

#include <string>

#include "platform/events.h"

namespace skylark::platform {
namespace {

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

// Named events are the system's: opening one by name is the same call in any process.
TEST(Win32Event, SignalledByName) {
  const std::u16string name = UniqueName(u"UpdateEvent");
  EXPECT_FALSE(SignalNamedEvent(name)) << "nobody holds it yet";
  const auto event = CreateEvent(true, false, name);
  ASSERT_NE(event, nullptr);
  EXPECT_TRUE(SignalNamedEvent(name));
  EXPECT_TRUE(event->Wait(0));
}

}  // namespace
}  // namespace skylark::platform

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/instance_guard.h"
#include "tests/support/child_process_win32.h"

namespace skylark::platform {
namespace {

constexpr char16_t kChildVariable[] = u"SKYLARK_TEST_GUARD_NAME";
constexpr int kChildGotGuard = 10;
constexpr int kChildRefused = 20;

// Runs only as the second process: reports by its exit code whether it got the guard.
TEST(InstanceGuardChild, TriesTheGuard) {
  const std::u16string name = wintest::ChildArgument(kChildVariable);
  if (name.empty()) GTEST_SKIP() << "runs only as a child of InstanceGuard tests";
  const auto guard = AcquireInstanceGuard(name);
  std::_Exit(guard ? kChildGotGuard : kChildRefused);
}

TEST(InstanceGuard, OneHolderAtATime) {
  const std::wstring pid = std::to_wstring(::GetCurrentProcessId());
  const std::u16string name = u"_____SKYLARK_TEST_" + std::u16string(pid.begin(), pid.end());
  const auto child = [&] {
    return wintest::RunThisProgram(u"InstanceGuardChild.*", kChildVariable, name);
  };
  auto guard = AcquireInstanceGuard(name);
  ASSERT_NE(guard, nullptr);
  EXPECT_EQ(child(), kChildRefused);
  EXPECT_EQ(AcquireInstanceGuard(name), nullptr) << "a second request in the same process too";
  guard.reset();
  EXPECT_EQ(child(), kChildGotGuard);
}

}  // namespace
}  // namespace skylark::platform

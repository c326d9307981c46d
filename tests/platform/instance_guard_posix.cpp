#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/instance_guard.h"
#include "tests/support/xdg_dirs_posix.h"

namespace skylark::platform {
namespace {

constexpr std::u16string_view kGuard = u"_____SKYLARK_____";

int AcquireInChild() { return AcquireInstanceGuard(kGuard) != nullptr ? 0 : 1; }

TEST(InstanceGuard, OneHolderAtATime) {
  testing::ScopedXdgDirs dirs;
  auto guard = AcquireInstanceGuard(kGuard);
  ASSERT_NE(guard, nullptr);
  EXPECT_EQ(testing::RunInChild(AcquireInChild), 1) << "a second process must be refused";
  guard.reset();
  EXPECT_EQ(testing::RunInChild(AcquireInChild), 0) << "free again once released";
  // A holder that ends as a crash would, never destroying its guard, frees it too.
  EXPECT_EQ(testing::RunInChild([] {
              auto held = AcquireInstanceGuard(kGuard);
              if (held == nullptr) return 1;
              ::_exit(0);
            }),
            0);
  EXPECT_NE(AcquireInstanceGuard(kGuard), nullptr);
}

}  // namespace
}  // namespace skylark::platform

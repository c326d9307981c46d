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
  EXPECT_EQ(AcquireInstanceGuard(kGuard), nullptr) << "a second request in the same process too";
  EXPECT_NE(AcquireInstanceGuard(u"another name"), nullptr);
  guard.reset();
  EXPECT_EQ(testing::RunInChild(AcquireInChild), 0) << "free again once released";
}

TEST(InstanceGuard, FreedWhenTheHolderEndsWithoutReleasing) {
  testing::ScopedXdgDirs dirs;
  EXPECT_EQ(testing::RunInChild([] {
              auto guard = AcquireInstanceGuard(kGuard);
              if (guard == nullptr) return 1;
              ::_exit(0);  // ends as a crash would, the guard never destroyed
            }),
            0);
  EXPECT_NE(AcquireInstanceGuard(kGuard), nullptr);
}

}  // namespace
}  // namespace skylark::platform

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/posix/port_devices.h"
#include "platform/posix/port_lock.h"
#include "platform/serial_line.h"
#include "resources/strings.h"
#include "tests/support/pty.h"

namespace skylark::platform {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

std::string LockText(pid_t pid) {
  char text[16];
  std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(pid));
  return text;
}

class PortLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty_.Valid());
    ASSERT_TRUE(testing::LinkPort(3, pty_.SlavePath()));
    lockFile_ = home_.LockHome() + "/" + posix::LockFileName(pty_.SlavePath());
  }

  std::unique_ptr<SerialLine> Open(std::u16string* reason = nullptr) {
    return OpenSerialLine(u"COM3:", AccessMode::ReadWrite, reason);
  }

  testing::TempConfigHome home_;
  testing::PtyPair pty_;
  std::string lockFile_;
};

TEST(PortLockName, FollowsTheDeviceBelowDev) {
  EXPECT_EQ(posix::LockFileName("/dev/ttyUSB0"), "LCK..ttyUSB0");
  EXPECT_EQ(posix::LockFileName("/dev/pts/3"), "LCK..pts_3");
  EXPECT_EQ(posix::LockFileName("/tmp/x/ttyFake"), "LCK..ttyFake");
}

TEST_F(PortLockTest, TakenWithThisPidAndReleasedOnClose) {
  auto line = Open();
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(Slurp(lockFile_), LockText(::getpid()));  // ten digits, right aligned, newline
  ASSERT_TRUE(line->Close());
  EXPECT_FALSE(Exists(lockFile_));
  // A lock another program put in place meanwhile is not ours to remove.
  line = Open();
  ASSERT_NE(line, nullptr);
  WriteFile(lockFile_, LockText(1));
  line.reset();
  EXPECT_EQ(Slurp(lockFile_), LockText(1));
}

TEST_F(PortLockTest, LiveHolderIsRespectedAndTheDeviceLeftAlone) {
  const struct {
    std::string text;
    std::string reason;
  } holders[] = {
      {LockText(1), pty_.SlavePath() + " is in use by another program (PID 1)."},
      {"1\n", pty_.SlavePath() + " is in use by another program (PID 1)."},
      {LockText(::getpid()), pty_.SlavePath() + " is already open in this program."},
  };
  for (const auto& holder : holders) {
    SCOPED_TRACE(holder.text);
    WriteFile(lockFile_, holder.text);
    std::u16string reason;
    EXPECT_EQ(Open(&reason), nullptr);
    EXPECT_EQ(resources::ToUtf8(reason), holder.reason);
    EXPECT_EQ(Slurp(lockFile_), holder.text);
    EXPECT_TRUE(pty_.Untouched());
  }
}

TEST_F(PortLockTest, StaleLocksAreTakenOver) {
  for (const std::string& stale : {std::string(), std::string("garbage\n")}) {
    SCOPED_TRACE(stale);
    WriteFile(lockFile_, stale);
    auto line = Open();
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(Slurp(lockFile_), LockText(::getpid()));
  }
}

TEST_F(PortLockTest, AHolderThatCrashedLeavesALockTheNextOpenerTakesOver) {
  const int status = testing::RunInChild([this] {
    // Never closed: the process ends as a crash would, with the lock file left behind.
    return Open().release() != nullptr ? 0 : 1;
  });
  ASSERT_EQ(status, 0);
  ASSERT_TRUE(Exists(lockFile_));
  const auto line = Open();
  EXPECT_NE(line, nullptr);
  EXPECT_EQ(Slurp(lockFile_), LockText(::getpid()));
}

TEST_F(PortLockTest, WithoutALockDirectoryPortsStillOpenAndItIsSaidOnce) {
  ::setenv("SKYLARK_TEST_LOCK_DIR", (home_.Root() + "/missing").c_str(), 1);
  ::testing::internal::CaptureStderr();
  auto first = Open();
  EXPECT_NE(first, nullptr);
  first.reset();
  EXPECT_NE(Open(), nullptr);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("without the UUCP lock"), std::string::npos) << said;
  EXPECT_EQ(said.find("UUCP", said.find("UUCP") + 4), std::string::npos) << "said more than once";
}

std::string GroupName(gid_t gid) {
  const group* g = ::getgrgid(gid);
  return g != nullptr ? g->gr_name : std::to_string(gid);
}

TEST(OpenFailureReason, NamesTheCauseAndForPermissionTheGroupToJoin) {
  testing::TempConfigHome home;
  const std::string device = home.Root() + "/ttyFake";
  WriteFile(device, "");
  // A group other than root's, so that the hint applies: dialout where it exists.
  const group* dialout = ::getgrnam("dialout");
  if (::geteuid() == 0 && dialout != nullptr) {
    ASSERT_EQ(::chown(device.c_str(), 0, dialout->gr_gid), 0);
  }
  struct stat st {};
  ASSERT_EQ(::stat(device.c_str(), &st), 0);
  const std::string group = GroupName(st.st_gid);
  const struct {
    int error;
    pid_t holder;
    std::string expected;
  } cases[] = {
      {ENOENT, 0, "No such device: COMX."},
      {EIO, 0, "No such device: COMX."},
      {ENXIO, 0, "No such device: COMX."},
      {EBUSY, 0, "COMX is in use by another program."},
      {EWOULDBLOCK, 4242, "COMX is in use by another program (PID 4242)."},
      {EACCES, 0, group == "root" ? "Permission denied on COMX."
                                  : "Permission denied on COMX. The device belongs to the group " +
                                        group + ": add yourself to it with \"sudo usermod -aG " + group},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    const std::string reason = resources::ToUtf8(posix::OpenFailureReason(c.error, "COMX", device, c.holder));
    EXPECT_EQ(reason.substr(0, c.expected.size()), c.expected);
  }
}

// Root opens any device and writes any directory, so an ordinary user's case is played by
// "nobody" in a child process; the test's directories are opened up for it.
class AsOrdinaryUser : public PortLockTest {
 protected:
  void SetUp() override {
    PortLockTest::SetUp();
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
    for (const std::string& dir : {home_.Root(), home_.ConfigHome(), home_.ConfigHome() + "/Corvane",
                                   home_.ConfigHome() + "/Corvane/Skylark",
                                   home_.ConfigHome() + "/Corvane/Skylark/ports"}) {
      ASSERT_EQ(::chmod(dir.c_str(), 0755), 0) << dir;
    }
  }

  // The reason the open failed as "nobody"; "opened" when it did not fail.
  std::string OpenAsNobody() {
    const std::string out = home_.Root() + "/reason";
    testing::RunInChild([&] {
      if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) return 3;
      std::u16string reason;
      WriteFile(out, Open(&reason) != nullptr ? "opened" : resources::ToUtf8(reason));
      return 0;
    });
    return Slurp(out);
  }
};

TEST_F(AsOrdinaryUser, IsToldThePermissionIsMissing) {
  ASSERT_EQ(::chmod(home_.Root().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(home_.LockHome().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(pty_.SlavePath().c_str(), 0600), 0);
  EXPECT_EQ(OpenAsNobody().rfind("Permission denied on " + pty_.SlavePath() + ".", 0), 0u);
}

TEST_F(AsOrdinaryUser, StillSeesAHolderInALockDirectoryItCannotWrite) {
  ASSERT_EQ(::chmod(home_.Root().c_str(), 0777), 0);
  ASSERT_EQ(::chmod(home_.LockHome().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(pty_.SlavePath().c_str(), 0666), 0);
  WriteFile(lockFile_, LockText(1));
  EXPECT_EQ(OpenAsNobody(), pty_.SlavePath() + " is in use by another program (PID 1).");
  ::unlink(lockFile_.c_str());
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(OpenAsNobody(), "opened");
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("without the UUCP lock"), std::string::npos);
}

}  // namespace
}  // namespace skylark::platform

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include "app/status_text.h"
#include "platform/posix/port_devices.h"
#include "platform/posix/port_lock.h"
#include "platform/serial_line.h"
#include "resources/strings.h"
#include "tests/support/pty.h"

namespace skylark::platform {
namespace {

std::string Slurp(const std::string& path) {
  std::ifstream file(path);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
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

  // `reason`: why it did not open, as the user reads it.
  std::unique_ptr<SerialLine> Open(std::u16string* reason = nullptr) {
    LineError failure;
    auto line = OpenSerialLine(u"COM3:", AccessMode::ReadWrite, &failure);
    if (!line && reason != nullptr) *reason = LineErrorText(failure);
    return line;
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

// Makes a lock file look as written `seconds` ago.
void Age(const std::string& path, int seconds) {
  const timeval then{::time(nullptr) - seconds, 0};
  const timeval times[2] = {then, then};
  ASSERT_EQ(::utimes(path.c_str(), times), 0);
}

TEST_F(PortLockTest, OldStaleLocksAreTakenOverAndYoungEmptyOnesRespected) {
  // A lock naming no PID may be one another program has just created and not yet written.
  const struct {
    std::string text;
    int age;
    bool taken;
  } cases[] = {
      {"", 60, true}, {"garbage\n", 60, true}, {LockText(0x7FFFFFF0), 0, true},
      {"", 0, false}, {"garbage\n", 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " " + std::to_string(c.age));
    WriteFile(lockFile_, c.text);
    Age(lockFile_, c.age);
    std::u16string reason;
    auto line = Open(&reason);
    EXPECT_EQ(line != nullptr, c.taken) << resources::ToUtf8(reason);
    EXPECT_EQ(Slurp(lockFile_), c.taken ? LockText(::getpid()) : c.text);
  }
}

TEST_F(PortLockTest, APlantedTemporaryNameDoesNotMakeThePortBusy) {
  for (const std::string& name : {"LTMP." + std::to_string(::getpid()), std::string("LTMP.XXXXXX")}) {
    WriteFile(home_.LockHome() + "/" + name, LockText(1));
  }
  EXPECT_NE(Open(), nullptr);
}

// Another program holding the device exclusively (TIOCEXCL) without a lock file: root gets
// through the flag, so the refusal must come from us, and closing must not clear its flag.
TEST_F(PortLockTest, ADeviceMadeExclusiveByAnotherHolderIsRefusedAndStaysExclusive) {
  const int holder = ::open(pty_.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::ioctl(holder, TIOCEXCL), 0);
  std::u16string reason;
  EXPECT_EQ(Open(&reason), nullptr);
  EXPECT_EQ(resources::ToUtf8(reason), pty_.SlavePath() + " is in use by another program.");
  int exclusive = 0;
  ASSERT_EQ(::ioctl(holder, TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 1);
  EXPECT_FALSE(Exists(lockFile_));
  ::close(holder);
}

// Two programs breaking the same stale lock at once: each round exactly one may take it, and
// the lock must name the one that did. Both stay alive until the round is judged, since a
// winner that has ended leaves a lock that is stale again.
TEST_F(PortLockTest, OneOfTwoTakersOfAStaleLockWinsEachRound) {
  struct Report {
    pid_t taker;
    bool taken;
  };
  const std::string device = posix::ResolvedDevice(pty_.SlavePath());
  for (int round = 0; round < 300; ++round) {
    WriteFile(lockFile_, LockText(0x7FFFFFF0));
    int go[2], said[2];
    ASSERT_EQ(::pipe(go) | ::pipe(said), 0);
    pid_t takers[2];
    for (pid_t& taker : takers) {
      if ((taker = ::fork()) != 0) continue;
      char byte = 0;
      ::close(go[1]);
      if (::read(go[0], &byte, 1) != 0) ::_exit(3);  // both start when the parent closes it
      const Report report{::getpid(), posix::TakePortLock(home_.LockHome(), device).outcome ==
                                          posix::LockAttempt::Outcome::Taken};
      if (::write(said[1], &report, sizeof report) == sizeof report) ::pause();  // one write: no interleaving
      ::_exit(3);
    }
    ::close(go[0]);
    ::close(go[1]);
    ::close(said[1]);
    Report reports[2] = {};
    std::size_t got = 0;
    for (pollfd p{said[0], POLLIN, 0}; got < sizeof reports && ::poll(&p, 1, 10000) == 1;) {
      const ssize_t n = ::read(said[0], reinterpret_cast<char*>(reports) + got, sizeof reports - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    const std::string text = Slurp(lockFile_);
    for (pid_t taker : takers) {
      ::kill(taker, SIGKILL);
      ::waitpid(taker, nullptr, 0);
    }
    ::close(said[0]);
    ASSERT_EQ(got, sizeof reports);
    ASSERT_EQ(reports[0].taken + reports[1].taken, 1) << "round " << round;
    ASSERT_EQ(text, LockText(reports[reports[0].taken ? 0 : 1].taker)) << "round " << round;
  }
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

TEST(OpenFailure, NamesTheCause) {
  const struct {
    int error;
    pid_t holder;
    std::string expected;
  } cases[] = {
      {EIO, 0, "No such device: COMX."},
      {ENXIO, 0, "No such device: COMX."},
      {EWOULDBLOCK, 4242, "COMX is in use by another program (PID 4242)."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    EXPECT_EQ(resources::ToUtf8(LineErrorText(posix::OpenFailure(c.error, "COMX", "/nonexistent", c.holder))), c.expected);
  }
}

// Joining the device's group is advised only where it gives read and write access and is not
// "tty" (which would open every terminal to the user).
TEST(OpenFailure, AdvisesJoiningAGroupOnlyWhereThatHelps) {
  const group* found = ::getgrnam("dialout");
  const gid_t dialout = found != nullptr ? found->gr_gid : 0;
  found = ::getgrnam("tty");  // getgrnam's result is overwritten by the next call
  const gid_t tty = found != nullptr ? found->gr_gid : 0;
  if (::geteuid() != 0 || dialout == 0 || tty == 0) GTEST_SKIP() << "needs root, dialout and tty";
  testing::TempConfigHome home;
  const std::string device = home.Root() + "/ttyFake";
  WriteFile(device, "");
  const std::tuple<gid_t, mode_t, std::string> cases[] = {
      {dialout, 0660, "The device belongs to the group dialout: add yourself to it with \"sudo usermod -aG dialout "},
      {dialout, 0600, "The device belongs to the user root and the group dialout, mode 0600."},
      {tty, 0620, "The device belongs to the user root and the group tty, mode 0620."},
  };
  for (const auto& [gid, mode, hint] : cases) {
    ASSERT_EQ(::chown(device.c_str(), 0, gid) | ::chmod(device.c_str(), mode), 0);
    const std::string reason = resources::ToUtf8(LineErrorText(posix::OpenFailure(EACCES, "COMX", device, 0)));
    EXPECT_EQ(reason.substr(0, 27 + hint.size()), "Permission denied on COMX. " + hint);
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
}

}  // namespace
}  // namespace skylark::platform

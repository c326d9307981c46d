#include "platform/posix/port_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <utility>

namespace skylark::platform::posix {
namespace {

constexpr std::string_view kDevPrefix = "/dev/";

// Other programs create the lock file first and write their PID into it after; a lock this
// young that names nobody yet is taken as being written, not as abandoned.
constexpr int kYoungLockSeconds = 5;

// What a look at the lock file found: its text and which file it was, so that a stale one is
// removed only while it is still that same file with that same text.
struct LockFile {
  bool found = false;
  std::string text;
  pid_t holder = 0;  // 0 when it names no PID (empty, garbage, unreadable)
  dev_t device = 0;
  ino_t inode = 0;
  bool young = false;
};

pid_t HolderIn(const std::string& text) {
  if (text.empty()) return 0;
  char* end = nullptr;
  const long pid = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || pid <= 0 || pid > 0x7FFFFFFF) return 0;
  return static_cast<pid_t>(pid);
}

std::string ReadText(int fd) {
  char text[32] = {};
  const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
  return n > 0 ? std::string(text, static_cast<std::size_t>(n)) : std::string();
}

// Looks at the lock file through `fd`, which the caller closes (-1 when there is none).
LockFile Inspect(const std::string& path, int& fd) {
  LockFile lock;
  fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  struct stat st {};
  if (fd < 0) {
    // Unreadable but there: its age still tells whether it may be being written.
    if (::lstat(path.c_str(), &st) != 0) return lock;
  } else if (::fstat(fd, &st) != 0) {
    return lock;
  }
  lock.found = true;
  lock.device = st.st_dev;
  lock.inode = st.st_ino;
  // A time stamp ahead of the clock makes no lock young for ever.
  const auto age = std::time(nullptr) - st.st_mtime;
  lock.young = age > -2 && age < kYoungLockSeconds;
  if (fd >= 0) lock.text = ReadText(fd);
  lock.holder = HolderIn(lock.text);
  return lock;
}

bool Running(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

bool Live(const LockFile& lock) {
  return lock.holder != 0 ? Running(lock.holder) : lock.young;
}

// Removes the stale lock `judged` only while the lock file is still that file with that text.
// Every taker that breaks a lock holds flock() on the stale file meanwhile, so two of them
// cannot both remove: the second finds the name leading to another file and leaves it.
void RemoveStale(const std::string& path, int fd, const LockFile& judged) {
  // One we could not open cannot be judged safely, so it stays.
  if (fd < 0) return;
  // Other takers hold it for a few system calls; never wait long on a program that keeps it.
  int tries = 0;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK || ++tries == 100) return;
    ::usleep(1000);
  }
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && st.st_dev == judged.device && st.st_ino == judged.inode &&
      ReadText(fd) == judged.text) {
    ::unlink(path.c_str());
  }
  ::flock(fd, LOCK_UN);
}

// A new file in `directory` holding this process's lock text, under a name of its own; empty
// with `error` set when none can be made.
std::string WriteLockText(const std::string& directory, int& error) {
  std::string temporary = directory + "/LTMP.XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return {};
  }
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
  const bool written = ::fchmod(fd, 0644) == 0 && ::write(fd, text, static_cast<std::size_t>(length)) == length;
  error = written ? 0 : (errno != 0 ? errno : EIO);
  ::close(fd);
  if (!written) {
    ::unlink(temporary.c_str());
    return {};
  }
  return temporary;
}

class LockedLine final : public SerialLine {
 public:
  LockedLine(std::unique_ptr<SerialLine> line, std::string path)
      : line_(std::move(line)), path_(std::move(path)) {}
  ~LockedLine() override { Close(); }
  LockedLine(const LockedLine&) = delete;
  LockedLine& operator=(const LockedLine&) = delete;

  bool SetTimeouts(const LineTimeouts& timeouts) override { return line_->SetTimeouts(timeouts); }
  bool GetState(LineState& state) override { return line_->GetState(state); }
  bool SetState(const LineState& state) override { return line_->SetState(state); }
  ReadResult Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) override {
    return line_->Read(buffer, count, got);
  }
  bool Write(const std::uint8_t* bytes, std::size_t count, std::size_t& written) override {
    return line_->Write(bytes, count, written);
  }
  void InterruptReads(bool on) override { line_->InterruptReads(on); }
  void DiscardInput() override { line_->DiscardInput(); }
  // The device is let go before its lock, so no other program finds it unlocked but held.
  bool Close() override {
    const bool closed = line_->Close();
    std::call_once(released_, [this] { ReleasePortLock(path_); });
    return closed;
  }

 private:
  std::unique_ptr<SerialLine> line_;
  const std::string path_;
  std::once_flag released_;
};

}  // namespace

std::unique_ptr<SerialLine> KeepPortLock(std::unique_ptr<SerialLine> line, std::string path) {
  return std::make_unique<LockedLine>(std::move(line), std::move(path));
}

std::string LockDirectory() {
  const char* test = std::getenv("SKYLARK_TEST_LOCK_DIR");
  return test != nullptr && test[0] == '/' ? std::string(test) : std::string("/run/lock");
}

std::string LockFileName(const std::string& device) {
  std::string name;
  if (device.compare(0, kDevPrefix.size(), kDevPrefix) == 0) {
    name = device.substr(kDevPrefix.size());
    for (char& c : name) {
      if (c == '/') c = '_';
    }
  } else {
    name = device.substr(device.find_last_of('/') + 1);
  }
  return "LCK.." + name;
}

LockAttempt TakePortLock(const std::string& directory, const std::string& device) {
  LockAttempt attempt;
  const std::string path = directory + "/" + LockFileName(device);
  int error = 0;
  // Written once and hard-linked into place, so the lock file never exists half written.
  const std::string temporary = WriteLockText(directory, error);
  // A few rounds: each removes at most one stale lock, and one that is back by then is live.
  for (int round = 0; round < 3; ++round) {
    const bool linked = !temporary.empty() && ::link(temporary.c_str(), path.c_str()) == 0;
    if (!temporary.empty() && !linked) error = errno;
    int fd = -1;
    const LockFile lock = linked ? LockFile{} : Inspect(path, fd);
    if (linked) {
      // Another taker could only have replaced it by breaking a lock it judged stale, which
      // it removes only while that same file is still there; this makes sure of it.
      const LockFile mine = Inspect(path, fd);
      if (fd >= 0) ::close(fd);
      if (mine.holder == ::getpid()) {
        ::unlink(temporary.c_str());
        attempt.outcome = LockAttempt::Outcome::Taken;
        attempt.path = path;
        return attempt;
      }
      continue;
    }
    attempt.holder = lock.holder;
    if (lock.found && Live(lock)) {
      if (fd >= 0) ::close(fd);
      break;
    }
    // Only the link finding the name taken means the lock is held; a directory this user
    // cannot write leaves ports usable without the lock.
    if (temporary.empty() || error != EEXIST) {
      if (fd >= 0) ::close(fd);
      attempt.error = error;
      if (!temporary.empty()) ::unlink(temporary.c_str());
      return attempt;
    }
    if (lock.found) RemoveStale(path, fd, lock);
    if (fd >= 0) ::close(fd);
  }
  if (!temporary.empty()) ::unlink(temporary.c_str());
  attempt.outcome = LockAttempt::Outcome::Held;
  return attempt;
}

bool PortLockHeld(const std::string& directory, const std::string& device, pid_t& holder) {
  int fd = -1;
  const LockFile lock = Inspect(directory + "/" + LockFileName(device), fd);
  if (fd >= 0) ::close(fd);
  holder = lock.holder;
  return lock.found && Live(lock);
}

pid_t KernelLockHolder(const std::string& locks, const std::string& device) {
  struct stat st {};
  if (::stat(device.c_str(), &st) != 0) return 0;
  std::ifstream table(locks);
  // "1: FLOCK  ADVISORY  WRITE 4242 00:1a:5 0 EOF": the file is major:minor (hex) of its file
  // system and its inode; a line with "->" is a process waiting, not holding.
  for (std::string text; std::getline(table, text);) {
    std::istringstream fields(text);
    std::string number, kind, mode, access, file;
    long pid = 0;
    if (!(fields >> number >> kind >> mode >> access >> pid >> file) || kind == "->" || pid <= 0) continue;
    unsigned fsMajor = 0, fsMinor = 0;
    unsigned long long inode = 0;
    if (std::sscanf(file.c_str(), "%x:%x:%llu", &fsMajor, &fsMinor, &inode) != 3) continue;
    if (fsMajor == major(st.st_dev) && fsMinor == minor(st.st_dev) && inode == st.st_ino) return static_cast<pid_t>(pid);
  }
  return 0;
}

std::string ProgramName(pid_t pid) {
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

void ReleasePortLock(const std::string& path) {
  if (path.empty()) return;
  int fd = -1;
  const LockFile lock = Inspect(path, fd);
  if (fd >= 0) ::close(fd);
  if (lock.holder == ::getpid()) ::unlink(path.c_str());
}

void ReportLockUnavailable(const std::string& directory, int error) {
  static std::atomic_bool said{false};
  if (said.exchange(true)) return;
  std::fprintf(stderr,
               "skylark: cannot write lock files in %s (%s): serial ports are opened without "
               "the UUCP lock, so other programs are not kept off them\n",
               directory.c_str(), std::strerror(error));
}

}  // namespace skylark::platform::posix

#include "platform/posix/port_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

namespace skylark::platform::posix {
namespace {

constexpr std::string_view kDevPrefix = "/dev/";

// The PID a lock file names; 0 when it names none (empty, garbage, unreadable).
pid_t ReadHolder(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return 0;
  char text[32] = {};
  const ssize_t n = ::read(fd, text, sizeof text - 1);
  ::close(fd);
  if (n <= 0) return 0;
  char* end = nullptr;
  const long pid = std::strtol(text, &end, 10);
  if (end == text || pid <= 0 || pid > 0x7FFFFFFF) return 0;
  return static_cast<pid_t>(pid);
}

bool Running(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

// Writes this process's lock text to a file of its own and links it to the lock name, so that
// the lock file never exists half written.
int LinkLockFile(const std::string& directory, const std::string& path) {
  const std::string temporary = directory + "/LTMP." + std::to_string(::getpid());
  ::unlink(temporary.c_str());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return errno;
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
  const bool written = ::write(fd, text, static_cast<std::size_t>(length)) == length;
  int error = written ? 0 : (errno != 0 ? errno : EIO);
  ::close(fd);
  if (written && ::link(temporary.c_str(), path.c_str()) != 0) error = errno;
  ::unlink(temporary.c_str());
  return error;
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
  // Twice at most: a stale lock is removed once, and a lock that is back by then is live.
  for (int round = 0; round < 2; ++round) {
    const int error = LinkLockFile(directory, path);
    if (error == 0) {
      attempt.outcome = LockAttempt::Outcome::Taken;
      attempt.path = path;
      return attempt;
    }
    attempt.holder = ReadHolder(path);
    const bool live = attempt.holder != 0 && Running(attempt.holder);
    if (error != EEXIST) {
      // A lock directory this user cannot write may still show that someone holds the device.
      if (live) break;
      attempt.error = error;
      return attempt;
    }
    if (live) break;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) break;
  }
  attempt.outcome = LockAttempt::Outcome::Held;
  return attempt;
}

void ReleasePortLock(const std::string& path) {
  if (!path.empty() && ReadHolder(path) == ::getpid()) ::unlink(path.c_str());
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

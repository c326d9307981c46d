#include "sim/sim_line.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/posix/line_speed.h"

#include "platform/posix/paths.h"
#include "platform/posix/port_devices.h"
#include "platform/posix/port_lock.h"

namespace skylark::sim {
namespace {

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

bool MakeRaw(int fd) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return false;
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
  tio.c_cflag |= CLOCAL | CREAD | CS8;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  const auto speed = platform::posix::SpeedForRate(kReceiverLine.baudRate);
  if (!speed) return false;
  ::cfsetispeed(&tio, *speed);
  ::cfsetospeed(&tio, *speed);
  return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

// "COM4", "com4:" -> "COM4"; empty for anything else.
std::string NormalPortName(std::string_view name) {
  if (!name.empty() && name.back() == ':') name.remove_suffix(1);
  if (name.size() != 4 || name[3] < '1' || name[3] > '9') return {};
  for (int i = 0; i < 3; ++i) {
    if ((name[i] & ~0x20) != "COM"[i]) return {};
  }
  return "COM" + std::string(1, name[3]);
}

std::string ReadLink(const std::string& path) {
  char target[PATH_MAX];
  const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
  return n < 0 ? std::string() : std::string(target, static_cast<std::size_t>(n));
}

}  // namespace

std::unique_ptr<SimLine> SimLine::OpenPseudoTerminal(std::string_view portName,
                                                     std::string& error) {
  const std::string port = NormalPortName(portName);
  if (port.empty()) {
    error = "not a port name (COM1 to COM9): " + std::string(portName);
    return nullptr;
  }
  std::unique_ptr<SimLine> line(new SimLine);
  line->fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (line->fd_ < 0 || ::grantpt(line->fd_) != 0 || ::unlockpt(line->fd_) != 0) {
    error = SystemError("cannot create a pseudo-terminal");
    return nullptr;
  }
  char name[PATH_MAX];
  if (::ptsname_r(line->fd_, name, sizeof name) != 0) {
    error = SystemError("cannot name the pseudo-terminal");
    return nullptr;
  }
  line->device_ = name;
  line->peerFd_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (line->peerFd_ < 0 || !MakeRaw(line->peerFd_)) {
    error = SystemError("cannot set up " + line->device_);
    return nullptr;
  }
  ::fcntl(line->fd_, F_SETFL, ::fcntl(line->fd_, F_GETFL) | O_NONBLOCK);

  const std::string directory = platform::posix::PortDirectory();
  if (!platform::posix::MakeDirectories(directory, 0700)) {
    error = SystemError("cannot create " + directory);
    return nullptr;
  }
  const std::string link = directory + "/" + port;
  struct stat st {};
  if (::lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    error = link + " exists and is not a link; not replacing it";
    return nullptr;
  }
  // A link that still leads somewhere is the user's setting (an adapter linked with
  // skylark-cli ports link) or another simulator's line. A dangling one is taken over only when
  // it led to a pseudo-terminal, a simulator's that has ended; one that led to an adapter's
  // by-id name is the user's, waiting for the adapter to be plugged in again.
  if (S_ISLNK(st.st_mode)) {
    const std::string target = ReadLink(link);
    struct stat reached {};
    if (::stat(link.c_str(), &reached) == 0) {
      error = port + ": already leads to " + target + " (" + link +
              "); not replacing it. Choose another port name with --port.";
      return nullptr;
    }
    if (target.rfind("/dev/pts/", 0) != 0) {
      error = port + ": leads to " + target + ", which is missing (" + link +
              "); not replacing it. Choose another port name with --port.";
      return nullptr;
    }
  }
  if (!platform::posix::ReplaceWithLink(name, link)) {
    error = SystemError("cannot link " + link);
    return nullptr;
  }
  line->link_ = link;
  return line;
}

std::unique_ptr<SimLine> SimLine::OpenDevice(const std::string& path, std::string& error) {
  std::unique_ptr<SimLine> line(new SimLine);
  // Served as any serial program would open it: never a port another program holds.
  const std::string device = platform::posix::ResolvedDevice(path);
  const auto lock = platform::posix::TakePortLock(platform::posix::LockDirectory(), device.empty() ? path : device);
  if (lock.outcome == platform::posix::LockAttempt::Outcome::Held) {
    error = path + " is in use by another program (PID " + std::to_string(lock.holder) + ")";
    return nullptr;
  }
  line->lockPath_ = lock.path;
  line->fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (line->fd_ < 0) {
    error = SystemError("cannot open " + path);
    return nullptr;
  }
  if (termios saved {}; ::tcgetattr(line->fd_, &saved) == 0) line->savedLine_ = saved;
  if (!MakeRaw(line->fd_)) {
    error = SystemError("cannot set " + path + " to the receiver's line settings");
    return nullptr;
  }
  line->device_ = path;
  return line;
}

SimLine::~SimLine() { Hangup(); }

void SimLine::Hangup() {
  // Only our own link goes: another simulator may have taken the name over since.
  if (!link_.empty() && ReadLink(link_) == device_) ::unlink(link_.c_str());
  link_.clear();
  if (fd_ >= 0 && savedLine_) ::tcsetattr(fd_, TCSANOW, &*savedLine_);
  savedLine_.reset();
  if (fd_ >= 0) ::close(fd_);
  if (peerFd_ >= 0) ::close(peerFd_);
  fd_ = peerFd_ = -1;
  platform::posix::ReleasePortLock(lockPath_);
  lockPath_.clear();
}

bool SimLine::ReadAvailable(std::string& bytes) {
  if (fd_ < 0) return false;
  char buffer[512];
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n > 0) {
      bytes.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    // A terminal set to return at once reads 0 when nothing is waiting: that is not an end.
    if (n == 0) return true;
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK;
  }
}

long SimLine::WriteSome(std::string_view bytes) {
  if (fd_ < 0) return -1;
  for (;;) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
  }
}

std::size_t Pacer::Due(Clock::time_point now, std::size_t waiting) const {
  if (byteTime_.count() == 0) return waiting;
  if (now < free_) return 0;
  // Counting from when the line became free keeps the exact rate when the caller wakes late.
  const auto due = static_cast<std::size_t>(1 + (now - free_) / byteTime_);
  return due < waiting ? due : waiting;
}

}  // namespace skylark::sim

#include "platform/serial_line.h"
#include "platform/posix/line_speed.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "platform/posix/network_line.h"
#include "platform/posix/paths.h"
#include "platform/posix/port_devices.h"
#include "platform/posix/port_lock.h"

namespace skylark::platform {
namespace {

using Clock = std::chrono::steady_clock;

struct BaudEntry {
  std::uint32_t rate;
  speed_t speed;
};

constexpr std::array<BaudEntry, 18> kBaudRates{{
    {50, B50}, {75, B75}, {110, B110}, {134, B134}, {150, B150}, {200, B200},
    {300, B300}, {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400}, {4800, B4800},
    {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200},
    {230400, B230400},
}};

std::uint32_t RateForSpeed(speed_t speed) {
  for (const auto& entry : kBaudRates) {
    if (entry.speed == speed) return entry.rate;
  }
  return 0;
}

// poll() takes whole milliseconds; rounding up keeps it from waking just before the deadline
// and spinning through zero-length waits.
int WaitMilliseconds(Clock::time_point now, Clock::time_point limit) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(limit - now).count();
  if (left <= 0) return 0;
  return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

// The budget of a call of `count` bytes; none when both parts are 0 (no total time-out).
std::optional<Clock::time_point> TotalDeadline(Clock::time_point start, std::uint32_t constant,
                                               std::uint32_t multiplier, std::size_t count) {
  if (constant == 0 && multiplier == 0) return std::nullopt;
  const auto perByte = static_cast<unsigned long long>(multiplier) * count;
  return start + std::chrono::milliseconds(constant + perByte);
}

class PosixSerialLine final : public SerialLine {
 public:
  PosixSerialLine(int fd, int wakeRead, int wakeWrite, const termios& original)
      : fd_(fd), wakeRead_(wakeRead), wakeWrite_(wakeWrite), original_(original) {}
  ~PosixSerialLine() override { Close(); }

  bool SetTimeouts(const LineTimeouts& timeouts) override {
    std::lock_guard lock(mutex_);
    if (state_ != State::Open) return false;
    timeouts_ = timeouts;
    timed_ = true;
    return true;
  }

  bool GetState(LineState& state) override {
    Call call(*this);
    if (!call) return false;
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return false;
    state.baudRate = RateForSpeed(::cfgetospeed(&tio));
    switch (tio.c_cflag & CSIZE) {
      case CS5: state.byteSize = 5; break;
      case CS6: state.byteSize = 6; break;
      case CS7: state.byteSize = 7; break;
      default: state.byteSize = 8; break;
    }
    state.parity = 0;
    if ((tio.c_cflag & PARENB) != 0) {
      const bool odd = (tio.c_cflag & PARODD) != 0;
      state.parity = odd ? 1 : 2;
#ifdef CMSPAR
      if ((tio.c_cflag & CMSPAR) != 0) state.parity = odd ? 3 : 4;
#endif
    }
    state.stopBits = (tio.c_cflag & CSTOPB) != 0 ? 2 : 0;
    state.parityCheck = (tio.c_iflag & INPCK) != 0;
    return true;
  }

  bool SetState(const LineState& state) override {
    Call call(*this);
    if (!call) return false;
    const auto speed = posix::SpeedForRate(state.baudRate);
    if (!speed) return false;
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) return false;
    // Sentences are bytes, not terminal input: no echo, no line editing, no CR/LF translation.
    // Hardware flow control stays as the driver has it.
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB);
#ifdef CMSPAR
    tio.c_cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
    switch (state.byteSize) {
      case 5: tio.c_cflag |= CS5; break;
      case 6: tio.c_cflag |= CS6; break;
      case 7: tio.c_cflag |= CS7; break;
      case 8: tio.c_cflag |= CS8; break;
      default: return false;
    }
    switch (state.parity) {
      case 0: break;
      case 1: tio.c_cflag |= PARENB | PARODD; break;
      case 2: tio.c_cflag |= PARENB; break;
#ifdef CMSPAR
      case 3: tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
      case 4: tio.c_cflag |= PARENB | CMSPAR; break;
#endif
      default: return false;
    }
    switch (state.stopBits) {
      case 0: break;
      case 1:  // one and a half exists only with five data bits, where the UART makes it of CSTOPB
        if (state.byteSize != 5) return false;
        tio.c_cflag |= CSTOPB;
        break;
      case 2: tio.c_cflag |= CSTOPB; break;
      default: return false;
    }
    if (state.parityCheck) {
      tio.c_iflag |= INPCK;
    } else {
      tio.c_iflag &= ~static_cast<tcflag_t>(INPCK);
    }
    if (::cfsetispeed(&tio, *speed) != 0 || ::cfsetospeed(&tio, *speed) != 0) return false;
    return ::tcsetattr(fd_, TCSANOW, &tio) == 0;
  }

  ReadResult Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) override {
    got = 0;
    Call call(*this);
    if (!call) return ReadResult::Gone;
    if (count == 0) return ReadResult::Done;
    const auto start = Clock::now();
    const bool immediate = !call.timed || (call.timeouts.readInterval == kReadImmediately &&
                                           call.timeouts.readTotalConstant == 0 &&
                                           call.timeouts.readTotalMultiplier == 0);
    const auto total = immediate ? std::optional<Clock::time_point>(start)
                                 : TotalDeadline(start, call.timeouts.readTotalConstant,
                                                 call.timeouts.readTotalMultiplier, count);
    std::optional<Clock::time_point> lastByte;
    for (;;) {
      const auto now = Clock::now();
      std::optional<Clock::time_point> limit = total;
      if (!immediate && call.timeouts.readInterval != 0 && lastByte) {
        const auto gap = *lastByte + std::chrono::milliseconds(call.timeouts.readInterval);
        if (!limit || gap < *limit) limit = gap;
      }
      const bool last = limit && now >= *limit;  // one more look, then give what came
      const Wait wait = WaitFor(POLLIN, limit ? WaitMilliseconds(now, *limit) : -1);
      if (wait == Wait::Closing) return ReadResult::Gone;
      if (wait == Wait::Interrupted) return ReadResult::Done;
      if (wait == Wait::Ready) {
        const ssize_t n = ::read(fd_, buffer + got, count - got);
        if (n > 0) {
          got += static_cast<std::size_t>(n);
          if (got == count) return ReadResult::Done;
          lastByte = Clock::now();
          continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
          if (last) return ReadResult::Done;
          continue;
        }
        if (got > 0) return ReadResult::Done;
        // A tty reports end of file, EIO, ENXIO or ENODEV only when its device has gone (hang-up,
        // unplug); anything else (EBADF on a line opened for writing only) leaves the line as it is.
        const bool gone = n == 0 || errno == EIO || errno == ENXIO || errno == ENODEV;
        return gone ? ReadResult::Gone : ReadResult::Refused;
      }
      if (wait == Wait::Gone) return got > 0 ? ReadResult::Done : ReadResult::Gone;
      if (last) return ReadResult::Done;
    }
  }

  bool Write(const std::uint8_t* bytes, std::size_t count, std::size_t& written) override {
    written = 0;
    Call call(*this);
    if (!call) return false;
    const auto start = Clock::now();
    const auto total = call.timed ? TotalDeadline(start, call.timeouts.writeTotalConstant,
                                                  call.timeouts.writeTotalMultiplier, count)
                                  : std::nullopt;
    while (written < count) {
      const auto now = Clock::now();
      if (total && now >= *total) return true;
      const Wait wait = WaitFor(POLLOUT, total ? WaitMilliseconds(now, *total) : -1);
      if (wait == Wait::Closing || wait == Wait::Gone) return false;
      // An interrupt is meant for reads; a write then watches its line alone.
      if (wait == Wait::Interrupted && !WaitWritable(total ? WaitMilliseconds(Clock::now(), *total) : -1)) continue;
      if (wait != Wait::Ready && wait != Wait::Interrupted) continue;
      const ssize_t n = ::write(fd_, bytes + written, count - written);
      if (n > 0) {
        written += static_cast<std::size_t>(n);
      } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        return false;
      }
    }
    return true;
  }

  void DiscardInput() override {
    Call call(*this);
    if (call) (void)::tcflush(fd_, TCIFLUSH);
  }

  // The interrupt shares the close's wake pipe: a byte in it while the line is open is an
  // interrupt, and it stays there until the interrupt is lifted.
  void InterruptReads(bool on) override {
    std::lock_guard lock(mutex_);
    if (state_ != State::Open || interrupted_ == on) return;
    interrupted_ = on;
    if (on) {
      const char wake = 1;
      while (::write(wakeWrite_, &wake, 1) < 0 && errno == EINTR) {
      }
    } else {
      char drained[16];
      while (::read(wakeRead_, drained, sizeof drained) > 0) {
      }
    }
  }

  bool Close() override {
    std::unique_lock lock(mutex_);
    if (state_ == State::Closing) {
      idle_.wait(lock, [this] { return state_ == State::Closed; });
    }
    if (state_ == State::Closed) return true;
    state_ = State::Closing;
    // The byte stays in the pipe, so every wait that starts from now on ends at once too.
    const char wake = 1;
    while (::write(wakeWrite_, &wake, 1) < 0 && errno == EINTR) {
    }
    idle_.wait(lock, [this] { return inFlight_ == 0; });
    lock.unlock();

    // The device may have vanished; the settings cannot be restored then and that is no error.
    (void)::tcsetattr(fd_, TCSANOW, &original_);
    (void)::ioctl(fd_, TIOCNXCL);
    (void)::flock(fd_, LOCK_UN);
    ::close(fd_);
    ::close(wakeRead_);
    ::close(wakeWrite_);

    lock.lock();
    state_ = State::Closed;
    idle_.notify_all();
    return true;
  }

 private:
  enum class State { Open, Closing, Closed };
  enum class Wait { Ready, Quiet, Gone, Closing, Interrupted };

  // Marks one Read, Write or state call in progress so that Close waits for it; it also hands
  // the call a consistent copy of the time-outs.
  class Call {
   public:
    explicit Call(PosixSerialLine& line) : line_(line) {
      std::lock_guard lock(line_.mutex_);
      entered_ = line_.state_ == State::Open;
      if (entered_) ++line_.inFlight_;
      timeouts = line_.timeouts_;
      timed = line_.timed_;
    }
    ~Call() {
      if (!entered_) return;
      std::lock_guard lock(line_.mutex_);
      if (--line_.inFlight_ == 0) line_.idle_.notify_all();
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;
    explicit operator bool() const { return entered_; }

    LineTimeouts timeouts;
    bool timed = false;

   private:
    PosixSerialLine& line_;
    bool entered_ = false;
  };

  Wait WaitFor(short events, int milliseconds) {
    std::array<pollfd, 2> fds{{{fd_, events, 0}, {wakeRead_, POLLIN, 0}}};
    const int r = ::poll(fds.data(), fds.size(), milliseconds);
    if (r < 0) return errno == EINTR ? Wait::Quiet : Wait::Gone;
    if (fds[1].revents != 0) {
      std::lock_guard lock(mutex_);
      return state_ == State::Open ? Wait::Interrupted : Wait::Closing;
    }
    if ((fds[0].revents & events) != 0) return Wait::Ready;
    if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return Wait::Gone;
    return Wait::Quiet;
  }

  // A write's wait while reads are interrupted: the line alone, so the wake byte does not spin it.
  bool WaitWritable(int milliseconds) {
    pollfd fd{fd_, POLLOUT, 0};
    return ::poll(&fd, 1, milliseconds < 0 || milliseconds > 50 ? 50 : milliseconds) > 0 &&
           (fd.revents & POLLOUT) != 0;
  }

  const int fd_;
  const int wakeRead_;
  const int wakeWrite_;
  const termios original_;

  std::mutex mutex_;
  std::condition_variable idle_;
  State state_ = State::Open;
  int inFlight_ = 0;
  LineTimeouts timeouts_{};
  bool timed_ = false;
  bool interrupted_ = false;
};

int OpenFlags(AccessMode access) {
  switch (access) {
    case AccessMode::Read: return O_RDONLY;
    case AccessMode::Write: return O_WRONLY;
    case AccessMode::ReadWrite: return O_RDWR;
  }
  return -1;
}

bool MakeWakePipe(int (&fds)[2]) {
  if (::pipe(fds) != 0) return false;
  for (int fd : fds) {
    if (::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0 ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK) != 0) {
      ::close(fds[0]);
      ::close(fds[1]);
      return false;
    }
  }
  return true;
}

// Root opens a device another program has made exclusive (TIOCEXCL) as if it were free; that
// program holds it, and our close would clear its flag. EBUSY then, as for anyone else.
bool ExclusiveElsewhere(int fd) {
  int exclusive = 0;
  if (::ioctl(fd, TIOCGEXCL, &exclusive) != 0 || exclusive == 0) return false;
  errno = EBUSY;
  return true;
}

// Opens and locks the device itself; null with errno set on failure.
std::unique_ptr<SerialLine> OpenDevice(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  // TIOCEXCL turns away other openers except root; the lock also turns away root and this
  // process, which the one-holder rule needs.
  termios original{};
  int wake[2] = {-1, -1};
  if (::tcgetattr(fd, &original) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0 || ExclusiveElsewhere(fd)) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return nullptr;
  }
  (void)::ioctl(fd, TIOCEXCL);
  if (!MakeWakePipe(wake)) {
    const int error = errno;
    (void)::ioctl(fd, TIOCNXCL);
    ::close(fd);
    errno = error;
    return nullptr;
  }
  return std::make_unique<PosixSerialLine>(fd, wake[0], wake[1], original);
}

}  // namespace

std::unique_ptr<SerialLine> OpenSerialLine(std::u16string_view name, AccessMode access, LineError* failure) {
  if (NetworkScheme(name)) return OpenNetworkLine(name, failure);
  const std::string path = posix::DevicePathForPortName(name);
  const int flags = OpenFlags(access);
  if (path.empty() || flags < 0) return nullptr;
  const auto fail = [&](int error, pid_t holder) -> std::unique_ptr<SerialLine> {
    if (failure != nullptr) *failure = posix::OpenFailure(error, posix::ShownDevice(name), path, holder);
    return nullptr;
  };
  // The UUCP lock comes first: a device another program holds is not even opened, since an
  // open alone can change its modem lines.
  const std::string device = posix::ResolvedDevice(path);
  if (device.empty()) return fail(errno, 0);
  const std::string lockDirectory = posix::LockDirectory();
  const posix::LockAttempt lock = posix::TakePortLock(lockDirectory, device);
  if (lock.outcome == posix::LockAttempt::Outcome::Held) return fail(EBUSY, lock.holder);
  if (lock.outcome == posix::LockAttempt::Outcome::Unavailable) {
    posix::ReportLockUnavailable(lockDirectory, lock.error);
  }
  // The device locked is the one opened, even if the port's link changes meanwhile.
  auto line = OpenDevice(device, flags);
  const int error = errno;
  if (!line) {
    posix::ReleasePortLock(lock.path);
    return fail(error, 0);
  }
  if (lock.path.empty()) return line;
  return posix::KeepPortLock(std::move(line), lock.path);
}

namespace posix {

std::optional<speed_t> SpeedForRate(std::uint32_t rate) {
  for (const auto& entry : kBaudRates) {
    if (entry.rate == rate) return entry.speed;
  }
  return std::nullopt;
}

}  // namespace posix
}  // namespace skylark::platform

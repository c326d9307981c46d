#include "platform/events.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>

#include "platform/posix/runtime_name.h"

// An event is a pipe (or, when named, a FIFO in the runtime directory) whose read end holds a
// byte while the event is signalled, so that poll() can wait for several events at once.
namespace skylark::platform {
namespace {

using Clock = std::chrono::steady_clock;

int PendingBytes(int fd) {
  int count = 0;
  return ::ioctl(fd, FIONREAD, &count) == 0 ? count : 0;
}

void Drain(int fd) {
  char sink[64];
  while (::read(fd, sink, sizeof sink) > 0) {
  }
}

// What is left of a wait that ends at `deadline`; -1 waits without end.
int RemainingMs(bool endless, Clock::time_point deadline) {
  if (endless) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

class PipeEvent final : public Event {
 public:
  PipeEvent(int readFd, int writeFd, bool manualReset)
      : readFd_(readFd), writeFd_(writeFd), manualReset_(manualReset) {}
  ~PipeEvent() override {
    ::close(readFd_);
    if (writeFd_ != readFd_) ::close(writeFd_);
  }
  PipeEvent(const PipeEvent&) = delete;
  PipeEvent& operator=(const PipeEvent&) = delete;

  void Set() override {
    // One byte at most, so that one Reset or one automatic-reset wait clears every Set before it.
    std::lock_guard lock(setLock_);
    if (PendingBytes(readFd_) == 0) {
      [[maybe_unused]] const auto written = ::write(writeFd_, "S", 1);
    }
  }

  void Reset() override { Drain(readFd_); }

  bool Wait(int timeoutMs) override {
    return WaitFor(this, nullptr, timeoutMs) == WaitResult::First;
  }

  // Takes the signal when it is there: an automatic-reset event is consumed, a manual one stays.
  // False when another waiter took it first.
  bool Take() {
    if (manualReset_) return PendingBytes(readFd_) > 0;
    char sink[64];
    return ::read(readFd_, sink, sizeof sink) > 0;
  }

  int ReadFd() const { return readFd_; }

  static WaitResult WaitFor(PipeEvent* first, Event* secondEvent, int timeoutMs);

 private:
  int readFd_;
  int writeFd_;
  bool manualReset_;
  std::mutex setLock_;
};

WaitResult PipeEvent::WaitFor(PipeEvent* first, Event* secondEvent, int timeoutMs) {
  auto* second = secondEvent != nullptr ? dynamic_cast<PipeEvent*>(secondEvent) : nullptr;
  if (secondEvent != nullptr && second == nullptr) return WaitResult::Failed;
  const bool endless = timeoutMs < 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(endless ? 0 : timeoutMs);
  pollfd fds[2] = {{first->ReadFd(), POLLIN, 0}, {second != nullptr ? second->ReadFd() : -1, POLLIN, 0}};
  const nfds_t count = second != nullptr ? 2 : 1;
  for (;;) {
    const int wait = RemainingMs(endless, deadline);
    const int ready = ::poll(fds, count, wait);
    if (ready < 0 && errno != EINTR) return WaitResult::Failed;
    if (ready > 0) {
      for (nfds_t i = 0; i < count; ++i) {
        if ((fds[i].revents & (POLLERR | POLLNVAL)) != 0) return WaitResult::Failed;
      }
      if ((fds[0].revents & POLLIN) != 0 && first->Take()) return WaitResult::First;
      if (count == 2 && (fds[1].revents & POLLIN) != 0 && second->Take()) return WaitResult::Second;
    }
    if (wait == 0) return WaitResult::Timeout;
  }
}

std::unique_ptr<Event> CreateUnnamedEvent(bool manualReset, bool initiallySet) {
  int fds[2];
  if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) return nullptr;
  auto event = std::make_unique<PipeEvent>(fds[0], fds[1], manualReset);
  if (initiallySet) event->Set();
  return event;
}

// Opens the FIFO for reading and writing (so it never reports end of file) and checks that it is
// one of ours, not something else planted under that name.
int OpenOwnFifo(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode) || st.st_uid != ::getuid()) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// True when some process (this one included) holds the FIFO open: only then does the event exist.
bool FifoHeld(const std::string& path) {
  const int probe = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  if (probe < 0) return false;  // ENXIO: the file is there but nobody holds it
  ::close(probe);
  return true;
}

}  // namespace

std::unique_ptr<Event> CreateEvent(bool manualReset, bool initiallySet, std::u16string_view name) {
  if (name.empty()) return CreateUnnamedEvent(manualReset, initiallySet);
  const std::string path = posix::RuntimeFilePath(name, ".event");
  if (path.empty()) return nullptr;
  if (::mkfifo(path.c_str(), 0600) != 0 && errno != EEXIST) return nullptr;
  // An event someone holds keeps its state, as a second creation of a named event must; a FIFO
  // left behind by an earlier run is a new event and takes the initial state asked for.
  const bool exists = FifoHeld(path);
  const int fd = OpenOwnFifo(path, O_RDWR);
  if (fd < 0) return nullptr;
  auto event = std::make_unique<PipeEvent>(fd, fd, manualReset);
  if (!exists) {
    event->Reset();
    if (initiallySet) event->Set();
  }
  return event;
}

WaitResult WaitForEither(Event& first, Event& second, int timeoutMs) {
  auto* own = dynamic_cast<PipeEvent*>(&first);
  if (own == nullptr) return WaitResult::Failed;
  return PipeEvent::WaitFor(own, &second, timeoutMs);
}

bool SignalNamedEvent(std::u16string_view name) {
  const std::string path = posix::RuntimeFilePath(name, ".event");
  if (path.empty()) return false;
  // Opening for writing alone fails (ENXIO) when no process holds the event.
  const int writer = OpenOwnFifo(path, O_WRONLY);
  if (writer < 0) return false;
  // Our own read end keeps the write from raising SIGPIPE should the holder close meanwhile.
  const int reader = OpenOwnFifo(path, O_RDONLY);
  bool signalled = reader >= 0;
  if (signalled && PendingBytes(writer) == 0) {
    signalled = ::write(writer, "S", 1) == 1 || errno == EAGAIN;
  }
  if (reader >= 0) ::close(reader);
  ::close(writer);
  return signalled;
}

}  // namespace skylark::platform

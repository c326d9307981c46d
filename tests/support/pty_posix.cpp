#include "tests/support/pty.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/posix/paths.h"

namespace skylark::testing {

bool LinkPort(int number, const std::string& device) {
  const std::string directory = platform::posix::PortDirectory();
  if (!platform::posix::MakeDirectories(directory, 0700)) return false;
  const std::string link = directory + "/COM" + std::to_string(number);
  ::unlink(link.c_str());
  return ::symlink(device.c_str(), link.c_str()) == 0;
}

PtyPair::PtyPair() {
  const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (fd < 0) return;
  const char* name = nullptr;
  if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || (name = ::ptsname(fd)) == nullptr ||
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK) != 0) {
    ::close(fd);
    return;
  }
  slavePath_ = name;
  master_ = fd;
}

bool PtyPair::Untouched() const {
  const int fd = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
  termios tio{};
  const bool canonical = fd >= 0 && ::tcgetattr(fd, &tio) == 0 && (tio.c_lflag & ICANON) != 0;
  if (fd >= 0) ::close(fd);
  return canonical;
}

void PtyPair::CloseMaster() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

bool PtyPair::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    pollfd pfd{master_, POLLOUT, 0};
    if (::poll(&pfd, 1, 1000) <= 0) return false;
    const ssize_t n = ::write(master_, bytes.data(), bytes.size());
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    if (n > 0) bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string PtyPair::Receive(std::size_t count, std::chrono::milliseconds wait) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + wait;
  std::string bytes;
  while (bytes.size() < count) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd pfd{master_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[512];
    const ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - bytes.size()));
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) break;
    if (n > 0) bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

}  // namespace skylark::testing

#include "tests/support/pty.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/posix/paths.h"

namespace skylark::testing {

TempConfigHome::TempConfigHome() {
  if (const char* old = std::getenv("XDG_CONFIG_HOME")) previous_ = old;
  std::string pattern = (std::filesystem::temp_directory_path() / "skylark-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) != nullptr) {
    path_ = pattern;
    ::setenv("XDG_CONFIG_HOME", path_.c_str(), 1);
  }
}

TempConfigHome::~TempConfigHome() {
  if (previous_) {
    ::setenv("XDG_CONFIG_HOME", previous_->c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

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

PtyPair::~PtyPair() { CloseMaster(); }

void PtyPair::CloseMaster() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

bool PtyPair::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(master_, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd pfd{master_, POLLOUT, 0};
    if (::poll(&pfd, 1, 1000) <= 0) return false;
  }
  return true;
}

std::string PtyPair::Receive(std::size_t count, std::chrono::milliseconds wait) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + wait;
  std::string bytes;
  while (bytes.size() < count) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    pollfd pfd{master_, POLLIN, 0};
    if (::poll(&pfd, 1, static_cast<int>(left)) <= 0 || (pfd.revents & POLLIN) == 0) break;
    char buffer[512];
    const std::size_t want = std::min(sizeof buffer, count - bytes.size());
    const ssize_t n = ::read(master_, buffer, want);
    if (n <= 0) {
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      break;
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

}  // namespace skylark::testing

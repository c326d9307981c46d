#include "platform/instance_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/runtime_name.h"

namespace skylark::platform {
namespace {

// A lock on a file in the runtime directory; the kernel drops it when the process ends, however
// it ends, so a crashed instance never locks out the next one.
class LockFileGuard final : public InstanceGuard {
 public:
  explicit LockFileGuard(int fd) : fd_(fd) {}
  ~LockFileGuard() override { ::close(fd_); }
  LockFileGuard(const LockFileGuard&) = delete;
  LockFileGuard& operator=(const LockFileGuard&) = delete;

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<InstanceGuard> AcquireInstanceGuard(std::u16string_view name) {
  const std::string path = posix::RuntimeFilePath(name, ".lock");
  if (path.empty()) return nullptr;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return nullptr;
  struct stat st {};
  int locked = -1;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    do {
      locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
  }
  if (locked != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<LockFileGuard>(fd);
}

}  // namespace skylark::platform

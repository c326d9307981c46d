#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "resources/strings.h"

namespace skylark::platform {
namespace {

class PosixByteFile final : public ByteFile {
 public:
  explicit PosixByteFile(int fd) : fd_(fd) {}
  ~PosixByteFile() override { ::close(fd_); }
  PosixByteFile(const PosixByteFile&) = delete;
  PosixByteFile& operator=(const PosixByteFile&) = delete;

  bool Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) override {
    got = 0;
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, count);
      if (n >= 0) {
        got = static_cast<std::size_t>(n);
        return true;
      }
      if (errno != EINTR) return false;
    }
  }

 private:
  int fd_;
};

}  // namespace

char16_t PathSeparator() { return u'/'; }

bool ListDirectory(std::u16string_view directory, std::vector<std::u16string>& names) {
  DIR* dir = ::opendir(resources::ToUtf8(directory).c_str());
  if (dir == nullptr) return false;
  names.clear();
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    names.push_back(resources::FromUtf8(name));
  }
  ::closedir(dir);
  return true;
}

std::unique_ptr<ByteFile> OpenFileForReading(std::u16string_view path) {
  // Non-blocking so that a FIFO or a device of that name cannot hang the caller before the
  // regular-file test below turns it away.
  const int fd = ::open(resources::ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return std::make_unique<PosixByteFile>(fd);
}

std::optional<std::u16string> ProgramDirectory() { return std::nullopt; }

std::optional<std::u16string> SystemRootDirectory() {
  if (const char* root = std::getenv("SystemRoot"); root != nullptr && root[0] != '\0') {
    return resources::FromUtf8(root);
  }
  // Found from the program's own place, so that a package or an install under any prefix (and
  // a build tree, which keeps a copy at the same place) finds its own site file, and no binary
  // depends on where it was built.
  char self[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return std::nullopt;
  std::string dir(self, static_cast<std::size_t>(n));
  return resources::FromUtf8(dir.substr(0, dir.find_last_of('/') + 1) + SKYLARK_DATA_DIR_FROM_BIN);
}

}  // namespace skylark::platform

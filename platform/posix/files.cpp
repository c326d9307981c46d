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

class PosixAppendFile final : public AppendFile {
 public:
  PosixAppendFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  ~PosixAppendFile() override { ::close(fd_); }
  PosixAppendFile(const PosixAppendFile&) = delete;
  PosixAppendFile& operator=(const PosixAppendFile&) = delete;

  std::uint64_t InitialSize() const override { return size_; }
  bool Append(std::string_view bytes) override {
    while (!bytes.empty()) {
      const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

 private:
  int fd_;
  std::uint64_t size_;
};

// Opened without blocking, then kept only when it is a regular file: a FIFO or a device of that
// name cannot hang the caller.
int OpenRegular(std::u16string_view path, int flags, struct stat& st) {
  const int fd = ::open(resources::ToUtf8(path).c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
  if (fd < 0) return -1;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  const int mode = ::fcntl(fd, F_GETFL);
  if (mode >= 0) ::fcntl(fd, F_SETFL, mode & ~O_NONBLOCK);
  return fd;
}

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
  struct stat st {};
  const int fd = OpenRegular(path, O_RDONLY, st);
  return fd < 0 ? nullptr : std::make_unique<PosixByteFile>(fd);
}

std::unique_ptr<AppendFile> OpenFileForAppending(std::u16string_view path) {
  struct stat st {};
  const int fd = OpenRegular(path, O_WRONLY | O_APPEND | O_CREAT, st);
  return fd < 0 ? nullptr : std::make_unique<PosixAppendFile>(fd, static_cast<std::uint64_t>(st.st_size));
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

#include "platform/posix/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/serial_line.h"
#include "resources/strings.h"

namespace skylark::platform::posix {
namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? std::string(value) : fallback;
}

}  // namespace

std::string ConfigDirectory() {
  const char* home = std::getenv("HOME");
  const std::string fallback = std::string(home != nullptr ? home : "/tmp") + "/.config";
  return EnvOr("XDG_CONFIG_HOME", fallback) + "/Corvane/Skylark";
}

std::string PortDirectory() { return ConfigDirectory() + "/ports"; }

bool MakeDirectories(const std::string& path, unsigned mode) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  const auto slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash), mode)) {
    return false;
  }
  return ::mkdir(path.c_str(), mode) == 0 || errno == EEXIST;
}

std::string RuntimeDirectory() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && runtime[0] == '/') {
    const std::string dir = std::string(runtime) + "/skylark";
    if (MakeDirectories(dir, 0700)) return dir;
  }
  // Private to this user: other users must not be able to plant the events or the guard.
  const std::string dir = "/tmp/skylark-" + std::to_string(::getuid());
  if (!MakeDirectories(dir, 0700)) return {};
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
      (st.st_mode & 0077) != 0) {
    return {};
  }
  return dir;
}

bool ReplaceWithLink(const std::string& target, const std::string& link) {
  // symlink() fails on a name that exists, so a name someone planted is passed over.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string fresh = link + ".new." + std::to_string(::getpid()) + "." + std::to_string(attempt);
    if (::symlink(target.c_str(), fresh.c_str()) != 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    if (::rename(fresh.c_str(), link.c_str()) == 0) return true;
    const int error = errno;
    ::unlink(fresh.c_str());
    errno = error;
    return false;
  }
  errno = EEXIST;
  return false;
}

std::string PortLinkPath(int number) { return PortDirectory() + "/COM" + std::to_string(number); }

std::string DeviceDirectory() { return EnvOr("SKYLARK_TEST_DEV_DIR", "/dev"); }

std::string DevicePathForPortName(std::u16string_view name) {
  // A device named by its own path is opened as it is named; only below the device directory,
  // never out of it through "..".
  const std::string root = DeviceDirectory() + "/";
  if (const std::string path = resources::ToUtf8(name);
      path.compare(0, root.size(), root) == 0 && path.find("/..") == std::string::npos) {
    return path;
  }
  const int number = PortNumber(name);
  if (number == 0) return {};
  const std::string link = PortLinkPath(number);
  struct stat st {};
  if (::lstat(link.c_str(), &st) == 0) return link;
  return "/dev/ttyS" + std::to_string(number - 1);
}

}  // namespace skylark::platform::posix

#include "tests/support/xdg_dirs_posix.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace skylark::testing {
namespace {

std::optional<std::string> Replace(const char* name, const std::string& value) {
  std::optional<std::string> old;
  if (const char* current = std::getenv(name); current != nullptr) old = current;
  ::setenv(name, value.c_str(), 1);
  return old;
}

void Restore(const char* name, const std::optional<std::string>& old) {
  old ? ::setenv(name, old->c_str(), 1) : ::unsetenv(name);
}

}  // namespace

ScopedXdgDirs::ScopedXdgDirs() {
  std::string pattern = (std::filesystem::temp_directory_path() / "skylark-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  ::mkdir(ConfigHome().c_str(), 0700);
  ::mkdir(RuntimeHome().c_str(), 0700);
  ::mkdir(LockHome().c_str(), 0700);
  oldConfig_ = Replace("XDG_CONFIG_HOME", ConfigHome());
  oldRuntime_ = Replace("XDG_RUNTIME_DIR", RuntimeHome());
  oldLock_ = Replace("SKYLARK_TEST_LOCK_DIR", LockHome());
  oldDev_ = Replace("SKYLARK_TEST_DEV_DIR", DevHome());
}

ScopedXdgDirs::~ScopedXdgDirs() {
  Restore("XDG_CONFIG_HOME", oldConfig_);
  Restore("XDG_RUNTIME_DIR", oldRuntime_);
  Restore("SKYLARK_TEST_LOCK_DIR", oldLock_);
  Restore("SKYLARK_TEST_DEV_DIR", oldDev_);
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

int RunInChild(const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(body());
  if (child < 0) return -1;
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) continue;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace skylark::testing

#pragma once

#include <functional>
#include <optional>
#include <string>

namespace skylark::testing {

// A fresh temporary directory standing in for the user's configuration and runtime directories
// (XDG_CONFIG_HOME, XDG_RUNTIME_DIR) and the UUCP lock directory for the life of the object; the
// old values come back and the directory is removed afterwards.
class ScopedXdgDirs {
 public:
  ScopedXdgDirs();
  ~ScopedXdgDirs();
  ScopedXdgDirs(const ScopedXdgDirs&) = delete;
  ScopedXdgDirs& operator=(const ScopedXdgDirs&) = delete;

  const std::string& Root() const { return root_; }
  std::string ConfigHome() const { return root_ + "/config"; }
  std::string RuntimeHome() const { return root_ + "/runtime"; }
  std::string LockHome() const { return root_ + "/lock"; }

 private:
  std::string root_;
  std::optional<std::string> oldConfig_, oldRuntime_, oldLock_;
};

// Runs `body` in a child process and returns its exit code (-1 when it did not exit normally).
int RunInChild(const std::function<int()>& body);

}  // namespace skylark::testing

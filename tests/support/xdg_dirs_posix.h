#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

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
  // Stands in for /dev: empty, so that no test reaches the machine's serial devices.
  std::string DevHome() const { return root_ + "/dev"; }

 private:
  std::string root_;
  std::optional<std::string> oldConfig_, oldRuntime_, oldLock_, oldDev_;
};

// Runs `body` in a child process and returns its exit code (-1 when it did not exit normally).
int RunInChild(const std::function<int()>& body);

// Checks `condition` every few milliseconds until it holds (true) or `wait` has passed (false).
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds wait = std::chrono::seconds(3)) {
  for (const auto deadline = std::chrono::steady_clock::now() + wait; !condition();) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace skylark::testing

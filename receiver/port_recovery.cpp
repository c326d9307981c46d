#include "receiver/port_recovery.h"

namespace skylark {

PortRecovery::PortRecovery(SerialPort& port, std::chrono::milliseconds period, std::function<void()> restored)
    : port_(port), period_(period), restored_(std::move(restored)), thread_([this] { Run(); }) {}

PortRecovery::~PortRecovery() { End(); }

void PortRecovery::End() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void PortRecovery::Begin(std::u16string name, AccessMode access) {
  {
    std::lock_guard lock(mutex_);
    name_ = std::move(name);
    access_ = access;
  }
  wake_.notify_all();
}

void PortRecovery::ChangeAccess(AccessMode access) {
  std::lock_guard attempt(attempt_);
  std::lock_guard lock(mutex_);
  if (name_) access_ = access;
}

void PortRecovery::Stop() {
  std::lock_guard attempt(attempt_);
  Forget();
}

void PortRecovery::Forget() {
  std::lock_guard lock(mutex_);
  name_.reset();
}

std::optional<std::u16string> PortRecovery::Waiting() const {
  std::lock_guard lock(mutex_);
  return name_;
}

void PortRecovery::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return ending_ || name_.has_value(); });
    // A device that has just gone is not back at once: the first try waits one period too.
    if (wake_.wait_for(lock, period_, [this] { return ending_ || !name_.has_value(); })) {
      if (ending_) return;
      continue;
    }
    const std::u16string name = *name_;
    lock.unlock();
    bool restored = false;
    {
      std::lock_guard attempt(attempt_);
      // Read under the try, so that an access changed before it is the one it opens with.
      const AccessMode access = [this] {
        std::lock_guard accessLock(mutex_);
        return access_;
      }();
      // Stopped while no lock was held, or opened by the user meanwhile: the port is theirs.
      const bool waiting = Waiting() == name;
      if (waiting && port_.IsOpen()) {
        Forget();
      } else if (waiting && port_.Open(name, access)) {
        Forget();
        restored = true;
      }
    }
    if (restored) restored_();
    lock.lock();
  }
}

}  // namespace skylark

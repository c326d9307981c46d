#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "receiver/serial_port.h"

namespace skylark {

// Brings a lost port back: after Begin, opens the same name again every `period` until it opens,
// then calls `restored` on its own thread. An unplugged adapter plugged back in, or a terminal
// server restarted, is so taken up again without the user.
class PortRecovery {
 public:
  PortRecovery(SerialPort& port, std::chrono::milliseconds period, std::function<void()> restored);
  ~PortRecovery();
  PortRecovery(const PortRecovery&) = delete;
  PortRecovery& operator=(const PortRecovery&) = delete;

  // Starts waiting for the port that was lost (any thread).
  void Begin(std::u16string name, AccessMode access);
  // While waiting, the next tries open with `access`; a try under way ends first.
  void ChangeAccess(AccessMode access);
  // No more tries; returns once a try in progress has ended, so the port is the caller's.
  void Stop();
  // The name waited for, while waiting.
  std::optional<std::u16string> Waiting() const;
  // Ends the thread, once a restore in progress has returned; nothing is tried after.
  void End();

 private:
  void Run();
  void Forget();  // no more waiting; with attempt_ held

  SerialPort& port_;
  const std::chrono::milliseconds period_;
  const std::function<void()> restored_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::mutex attempt_;  // held across each open, so that Stop can wait one out
  std::optional<std::u16string> name_;
  AccessMode access_ = AccessMode::ReadWrite;
  bool ending_ = false;
  std::thread thread_;
};

}  // namespace skylark

#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "tests/support/xdg_dirs_posix.h"

// Pseudo-terminals standing in for the receiver's serial line in tests (POSIX only).
namespace skylark::testing {

// Port links made during a test land in a temporary directory, never the user's own.
using TempConfigHome = ScopedXdgDirs;

// Points the port directory's COMn entry at `device` (replacing any entry); the port name
// "COMn:" then opens that device. True on success.
bool LinkPort(int number, const std::string& device);

// A pseudo-terminal whose master end the test holds; the slave end is the device a port
// opens. The master is non-blocking.
class PtyPair {
 public:
  PtyPair();
  ~PtyPair() { CloseMaster(); }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool Valid() const { return master_ >= 0; }
  const std::string& SlavePath() const { return slavePath_; }

  // Writes every byte to the master (the receiver "sends"); false on error.
  bool Send(std::string_view bytes);
  // Reads from the master until `count` bytes came or `wait` passed; what arrived.
  std::string Receive(std::size_t count, std::chrono::milliseconds wait);
  // True while the slave is as a fresh pseudo-terminal is (canonical): nobody has set it, or
  // whoever did has restored it.
  bool Untouched() const;
  // Hangs up the line, as unplugging the receiver does.
  void CloseMaster();

 private:
  int master_ = -1;
  std::string slavePath_;
};

}  // namespace skylark::testing

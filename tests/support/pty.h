#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Pseudo-terminals standing in for the receiver's serial line in tests (POSIX only).
namespace skylark::testing {

// A fresh configuration directory for the test's lifetime: XDG_CONFIG_HOME points at a new
// temporary directory, and is restored (and the directory removed) on destruction.
class TempConfigHome {
 public:
  TempConfigHome();
  ~TempConfigHome();
  TempConfigHome(const TempConfigHome&) = delete;
  TempConfigHome& operator=(const TempConfigHome&) = delete;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::optional<std::string> previous_;
};

// Points the port directory's COMn entry at `device` (replacing any entry); the port name
// "COMn:" then opens that device. True on success.
bool LinkPort(int number, const std::string& device);

// A pseudo-terminal whose master end the test holds; the slave end is the device a port
// opens. The master is non-blocking.
class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool Valid() const { return master_ >= 0; }
  int Master() const { return master_; }
  const std::string& SlavePath() const { return slavePath_; }

  // Writes every byte to the master (the receiver "sends"); false on error.
  bool Send(std::string_view bytes);
  // Reads from the master until `count` bytes came or `wait` passed; what arrived.
  std::string Receive(std::size_t count, std::chrono::milliseconds wait);
  // Hangs up the line, as unplugging the receiver does.
  void CloseMaster();

 private:
  int master_ = -1;
  std::string slavePath_;
};

}  // namespace skylark::testing

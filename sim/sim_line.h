#pragma once

#include <termios.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "receiver/serial_port.h"

// The simulated receiver's end of the serial line: a pseudo-terminal whose other end is linked as
// a port name in the port directory, or an existing terminal device.
namespace skylark::sim {

class SimLine {
 public:
  // Creates a pseudo-terminal and links its terminal side as `portName` ("COM1" to "COM9", a
  // trailing colon and any letter case accepted) in the port directory, replacing only a link
  // that leads nowhere: one that leads somewhere is refused.
  // Null with `error` set on failure.
  static std::unique_ptr<SimLine> OpenPseudoTerminal(std::string_view portName, std::string& error);
  // Serves an existing terminal (one end of a socat pair, a null-modem line), set to raw
  // 4800 8N1.
  static std::unique_ptr<SimLine> OpenDevice(const std::string& path, std::string& error);

  ~SimLine();
  SimLine(const SimLine&) = delete;
  SimLine& operator=(const SimLine&) = delete;

  // -1 once the line has been hung up.
  int Descriptor() const { return fd_; }
  const std::string& LinkPath() const { return link_; }      // empty for a device
  const std::string& DevicePath() const { return device_; }  // what the application opens

  // Appends what has arrived, without waiting. False on a read error; a device that has gone
  // shows as a hang-up when polled.
  bool ReadAvailable(std::string& bytes);
  // Writes what the line takes now without waiting: the count written, 0 when it is full,
  // -1 when the line has gone.
  long WriteSome(std::string_view bytes);

  // Closes the line as an unplugged adapter would and removes the link.
  void Hangup();

 private:
  SimLine() = default;

  int fd_ = -1;
  // The terminal side stays open here too, so the application closing and reopening its port
  // never leaves the pseudo-terminal without a peer (which would read as a hang-up).
  int peerFd_ = -1;
  std::string link_;
  std::string device_;
  // A served device: its lock file and the line settings it had, put back at the end.
  std::string lockPath_;
  std::optional<termios> savedLine_;
};

// Spaces output at the line rate: at 4800 baud a byte is 10 bits (start, 8 data, stop), about
// 2.08 ms, so an 80-character sentence takes about 167 ms.
class Pacer {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::nanoseconds kByteTime4800{10'000'000'000LL / kReceiverLine.baudRate};

  // A zero byte time sends everything at once.
  explicit Pacer(std::chrono::nanoseconds byteTime) : byteTime_(byteTime) {}

  // Output arrives for a line that had nothing waiting: its first byte may go at once, but
  // not before the previous byte has finished.
  void Begin(Clock::time_point now) {
    if (free_ < now) free_ = now;
  }
  // How many of `waiting` bytes the line has carried by `now`.
  std::size_t Due(Clock::time_point now, std::size_t waiting) const;
  // Records that `count` bytes were handed to the line.
  void Sent(std::size_t count) { free_ += byteTime_ * static_cast<long long>(count); }
  // When the next byte can go.
  Clock::time_point NextFree() const { return free_; }

 private:
  std::chrono::nanoseconds byteTime_;
  Clock::time_point free_{};
};

}  // namespace skylark::sim

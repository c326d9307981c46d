#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/serial_line.h"

namespace skylark {

using platform::AccessMode;
using platform::LineTimeouts;

// A line's speed, framing and time-outs.
struct LineSettings {
  std::uint32_t baudRate = 4800;
  std::uint32_t parity = 0;       // 0 none
  std::uint32_t dataBits = 8;
  std::uint32_t stopBits = 0;     // 0 one stop bit
  std::uint32_t flowControl = 0;  // recorded only, never applied to the line
  // None: the driver's own stay in force.
  std::optional<LineTimeouts> timeouts = LineTimeouts{1, 1, 3000, 10, 1000};
};

// The receiver's line, the only one the program speaks: 4800 baud, 8N1. A read returns 1 ms after
// the last byte that came, or after 3 s (plus 1 ms a byte asked for) with what came; a write of n
// bytes is given 1 s plus 10 ms a byte.
inline constexpr LineSettings kReceiverLine{};

// The settings a port records at every successful open.
struct PortSettings {
  std::u16string name;
  LineSettings line;
  AccessMode access = AccessMode::ReadWrite;
};

// A line the port dropped because its device went away: the port's name and why.
struct PortLoss {
  std::u16string name;
  platform::LineError error;
};

using platform::LineError;
using platform::LineFault;

// A serial line opened by its port name ("COM1:" to "COM9:"), read and written with blocking
// calls bounded by time-outs. One thread may read while another writes, opens or closes.
class SerialPort {
 public:
  explicit SerialPort(std::u16string_view name, AccessMode access = AccessMode::ReadWrite);
  virtual ~SerialPort();

  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens and configures the line (closing any line held first); records the settings on
  // success.
  bool Open(std::u16string_view name, AccessMode access, const LineSettings& line = kReceiverLine);
  // Why the last Open failed; none after a successful one or when the system gave no reason.
  std::optional<LineError> OpenFailure() const;
  // True when no line is held afterwards.
  bool Close();
  bool IsOpen() const;
  // When the line held now was opened; none while closed.
  std::optional<std::chrono::steady_clock::time_point> OpenedAt() const;

  // One read of up to `count` bytes; `got` is set to 0 first. A read that fails because the
  // device vanished closes the port; one the line refuses (no read access) leaves it open.
  bool Read(std::uint8_t* buffer, std::size_t count, std::size_t& got);
  // While on, a read in progress ends at once and so does every read that starts (see
  // platform::SerialLine::InterruptReads); the line stays open.
  void InterruptReads(bool on);
  // Writes every byte or fails; any failure closes the port.
  bool Write(const std::uint8_t* bytes, std::size_t count);
  // Writes the text as single bytes. A text with a character that has no single-byte form, or
  // an empty text, fails without writing anything.
  bool WriteText(std::u16string_view text);
  bool WriteLineEnd();
  // The sentence and CR LF; true when both were written.
  bool SendSentence(std::string_view sentence);

  // The system reported the device `device` ("COM12", the colon and case aside) gone: when it is
  // the device of the line held now, the port closes and records the loss as a failed read does.
  void DeviceRemoved(std::u16string_view device);
  // The last loss not yet taken; a new open forgets it.
  std::optional<PortLoss> TakeLoss();
  bool LossPending() const;
  // Called on the thread that found the line gone, after the port has closed it; set before the
  // port is shared with other threads.
  void SetLossListener(std::function<void()> listener) { lossListener_ = std::move(listener); }
  // Called after every successful open; set before the port is shared with other threads.
  void SetOpenListener(std::function<void()> listener) { openListener_ = std::move(listener); }

  std::u16string Name() const;
  AccessMode GetAccess() const;
  PortSettings Settings() const;
  // Records the name without opening; a null name changes nothing.
  void SetName(const char16_t* name);

 private:
  std::shared_ptr<platform::SerialLine> CurrentLine() const;
  // Forgets `line` if it is still the port's line, closes it, and records the loss.
  void Lose(const std::shared_ptr<platform::SerialLine>& line, LineFault fault);

  mutable std::mutex mutex_;  // guards line_ and settings_, never held across I/O
  std::shared_ptr<platform::SerialLine> line_;
  PortSettings settings_;
  platform::LineState lineState_;
  std::optional<LineError> openFailure_;
  std::chrono::steady_clock::time_point openedAt_{};
  std::optional<PortLoss> loss_;
  std::function<void()> lossListener_;
  std::function<void()> openListener_;
};

}  // namespace skylark

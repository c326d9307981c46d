#include "receiver/serial_port.h"

#include <optional>
#include <utility>

namespace skylark {
namespace {

// Longest text WriteText sends: the sentence buffer holds 512 bytes with its terminating zero.
constexpr std::size_t kMaxTextBytes = 511;
// Writes in a row that may make no progress before Write gives up; the next one fails.
constexpr int kZeroProgressRetries = 10;

}  // namespace

SerialPort::SerialPort(std::u16string_view name, AccessMode access)
    : settings_{std::u16string(name), kReceiverLine, access} {}

// Owners close the line first; a line still held is released with its last reference.
SerialPort::~SerialPort() = default;

bool SerialPort::Open(std::u16string_view name, AccessMode access, const LineSettings& settings) {
  Close();
  LineError failure;
  failure.fault = LineFault::NoSuchDevice;
  failure.device = name;
  std::shared_ptr<platform::SerialLine> line = platform::OpenSerialLine(name, access, &failure);
  if (!line) {
    std::lock_guard lock(mutex_);
    openFailure_ = std::move(failure);
    return false;
  }

  platform::LineState state{};
  bool ok = !settings.timeouts || line->SetTimeouts(*settings.timeouts);
  ok = ok && line->GetState(state);
  if (ok) {
    state.baudRate = settings.baudRate;
    state.byteSize = settings.dataBits;
    state.parity = settings.parity;
    state.stopBits = settings.stopBits;
    state.parityCheck = settings.parity != 0;
    ok = line->SetState(state);
  }
  // What a receiver sent before the port was opened would show as minutes-old readings.
  if (ok) line->DiscardInput();
  if (!ok) {
    line->Close();
    std::lock_guard lock(mutex_);
    openFailure_ = LineError{.fault = LineFault::BadSettings, .device = std::u16string(name)};
    return false;
  }

  {
    // Published only when configured, so the reader thread never reads a half-set line.
    std::lock_guard lock(mutex_);
    line_ = std::move(line);
    lineState_ = state;
    settings_ = PortSettings{std::u16string(name), settings, access};
    openFailure_.reset();
    openedAt_ = std::chrono::steady_clock::now();
    loss_.reset();
  }
  if (openListener_) openListener_();
  return true;
}

std::optional<LineError> SerialPort::OpenFailure() const {
  std::lock_guard lock(mutex_);
  return openFailure_;
}

bool SerialPort::Close() {
  std::shared_ptr<platform::SerialLine> line;
  {
    std::lock_guard lock(mutex_);
    line = std::move(line_);
    line_.reset();
  }
  if (!line || line->Close()) return true;
  std::lock_guard lock(mutex_);
  if (!line_) line_ = std::move(line);
  return false;
}

void SerialPort::Lose(const std::shared_ptr<platform::SerialLine>& line, LineFault fault) {
  bool lost = false;
  {
    // A newer open is left alone, and so is a line another thread has closed meanwhile.
    std::lock_guard lock(mutex_);
    if (line_ == line) {
      line_.reset();
      loss_ = PortLoss{settings_.name, LineError{.fault = fault, .device = settings_.name}};
      lost = true;
    }
  }
  line->Close();
  if (lost && lossListener_) lossListener_();
}

void SerialPort::DeviceRemoved(std::u16string_view device) {
  // A device is named as its port without the colon, in any case.
  const auto key = [](std::u16string_view name) {
    if (!name.empty() && name.back() == u':') name.remove_suffix(1);
    std::u16string upper(name);
    for (char16_t& c : upper) c = c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
    return upper;
  };
  const std::shared_ptr<platform::SerialLine> line = CurrentLine();
  if (line && !device.empty() && key(Name()) == key(device)) Lose(line, LineFault::Removed);
}

bool SerialPort::LossPending() const {
  std::lock_guard lock(mutex_);
  return loss_.has_value();
}

std::optional<PortLoss> SerialPort::TakeLoss() {
  std::lock_guard lock(mutex_);
  return std::exchange(loss_, std::nullopt);
}

bool SerialPort::IsOpen() const { return CurrentLine() != nullptr; }

std::optional<std::chrono::steady_clock::time_point> SerialPort::OpenedAt() const {
  std::lock_guard lock(mutex_);
  if (!line_) return std::nullopt;
  return openedAt_;
}

std::shared_ptr<platform::SerialLine> SerialPort::CurrentLine() const {
  std::lock_guard lock(mutex_);
  return line_;
}

bool SerialPort::Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) {
  got = 0;
  const auto line = CurrentLine();
  if (!line) return false;
  const auto result = line->Read(buffer, count, got);
  if (result == platform::SerialLine::ReadResult::Done) return true;
  got = 0;
  // A device that has gone (or a line being closed) must read as closed, or the reader thread
  // would retry a dead line forever; a refused read leaves a usable line, such as one opened
  // for writing only, open.
  if (result == platform::SerialLine::ReadResult::Gone) {
    Lose(line, platform::NetworkScheme(Name()) ? LineFault::ConnectionClosed : LineFault::HungUp);
  }
  return false;
}

void SerialPort::InterruptReads(bool on) {
  if (const auto line = CurrentLine()) line->InterruptReads(on);
}

bool SerialPort::Write(const std::uint8_t* bytes, std::size_t count) {
  const auto line = CurrentLine();
  // A port opened for reading only is not written to: the system's refusal would read as a
  // lost line, and the port would be closed under a receiver that is still there.
  if (!line || count == 0 || !Allows(GetAccess(), AccessMode::Write)) return false;
  std::size_t done = 0;
  int idle = 0;
  while (done < count) {
    std::size_t written = 0;
    if (!line->Write(bytes + done, count - done, written)) {
      Lose(line, LineFault::WriteRefused);
      return false;
    }
    if (written > 0) {
      done += written;
      idle = 0;
    } else if (idle == kZeroProgressRetries) {
      Lose(line, LineFault::WriteStalled);
      return false;
    } else {
      ++idle;
    }
  }
  return true;
}

bool SerialPort::WriteText(std::u16string_view text) {
  // Sentences are ASCII. A character outside it has no agreed byte, and a text too long for the
  // sentence buffer would have to be cut; either way the receiver would get a corrupt sentence,
  // so nothing is sent.
  if (text.empty() || text.size() > kMaxTextBytes) return false;
  std::uint8_t bytes[kMaxTextBytes];
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == 0 || text[i] > 0x7F) return false;
    bytes[i] = static_cast<std::uint8_t>(text[i]);
  }
  return Write(bytes, text.size());
}

bool SerialPort::WriteLineEnd() {
  static constexpr std::uint8_t kLineEnd[] = {0x0D, 0x0A};
  return Write(kLineEnd, sizeof kLineEnd);
}

bool SerialPort::SendSentence(std::string_view sentence) {
  return WriteText(std::u16string(sentence.begin(), sentence.end())) && WriteLineEnd();
}

std::u16string SerialPort::Name() const {
  std::lock_guard lock(mutex_);
  return settings_.name;
}

AccessMode SerialPort::GetAccess() const {
  std::lock_guard lock(mutex_);
  return settings_.access;
}

PortSettings SerialPort::Settings() const {
  std::lock_guard lock(mutex_);
  return settings_;
}

void SerialPort::SetName(const char16_t* name) {
  if (name == nullptr) return;
  std::lock_guard lock(mutex_);
  settings_.name = name;
}

}  // namespace skylark

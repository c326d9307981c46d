#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The operating system's serial line, reduced to what the receiver link needs: open a device by
// its port name exclusively, read and change its line settings, set read and write time-outs,
// read up to n bytes, write bytes, close.
namespace skylark::platform {

// The access a line is opened with; the values are the generic access bits the port settings
// record and compare.
enum class AccessMode : std::uint32_t {
  Read = 0x80000000u,
  Write = 0x40000000u,
  ReadWrite = 0xC0000000u,
};

// Whether a line opened with `access` may be read (`wanted` Read) or written (Write).
constexpr bool Allows(AccessMode access, AccessMode wanted) {
  return (static_cast<std::uint32_t>(access) & static_cast<std::uint32_t>(wanted)) != 0;
}

// Milliseconds. A read of n bytes returns when n bytes have arrived, when more than
// `readInterval` passes between two received bytes, or when readTotalConstant +
// n * readTotalMultiplier have passed in all (possibly with fewer bytes or none, still a
// success). A write of n bytes is given writeTotalConstant + n * writeTotalMultiplier and then
// returns successfully with what it wrote so far.
struct LineTimeouts {
  std::uint32_t readInterval = 0;
  std::uint32_t readTotalMultiplier = 0;
  std::uint32_t readTotalConstant = 0;
  std::uint32_t writeTotalMultiplier = 0;
  std::uint32_t writeTotalConstant = 0;
};


// A read interval of this value with both read totals 0 makes a read return at once with the
// bytes already received, as on Windows.
inline constexpr std::uint32_t kReadImmediately = 0xFFFFFFFFu;

// Why a line could not be opened, or was lost, as a code with what the system said; the words a
// user reads are made from it where it is shown.
enum class LineFault {
  NoSuchDevice,
  PermissionDenied,
  InUse,         // another program holds the device
  OpenHere,      // this program holds it already
  SystemError,   // anything else the system refused; osMessage says what
  BadSettings,   // the device does not take the line settings
  HungUp,        // a read found the device gone: unplugged, or the line hung up
  WriteRefused,  // a write failed
  WriteStalled,  // writes made no progress
  Removed,       // the system reported the device removed
  ConnectionClosed,  // a network port's connection ended
};

struct LineError {
  LineFault fault = LineFault::SystemError;
  int osError = 0;           // errno, or the Windows error code
  std::u16string device{};     // the device as the user knows it: "/dev/ttyS7", "COM12"
  std::u16string osMessage{};  // the system's own words for osError
  int holder = 0;            // the process holding the device, when known
  std::u16string holderName{};  // its program name, when known ("picocom")
  // For PermissionDenied: the device's group when that group may read and write it (and the user
  // to add to it), else its owner, group and mode ("0600").
  bool groupGrants = false;
  std::u16string group{};
  std::u16string owner{};
  std::u16string user{};
  std::u16string mode{};

  bool operator==(const LineError&) const = default;
};

// The fields of the line state the link changes; a backend keeps every other field of the
// driver's state (flow control, handshake lines, special characters) as the driver reported it.
struct LineState {
  std::uint32_t baudRate = 0;
  std::uint32_t byteSize = 0;
  std::uint32_t parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  std::uint32_t stopBits = 0;  // 0 one, 1 one and a half, 2 two
  bool parityCheck = false;
};

class SerialLine {
 public:
  virtual ~SerialLine() = default;

  virtual bool SetTimeouts(const LineTimeouts& timeouts) = 0;
  virtual bool GetState(LineState& state) = 0;
  virtual bool SetState(const LineState& state) = 0;

  // How a read ended. Done: with the bytes that came, possibly none on a quiet line. Refused: the
  // line stays usable (opened without read access, say). Gone: the device vanished (hang-up,
  // unplugged adapter) or the line is being closed.
  enum class ReadResult { Done, Refused, Gone };

  // One read of up to `count` bytes within the time-outs.
  virtual ReadResult Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) = 0;

  // One write call within the write time-out; it may write fewer bytes than asked, even none.
  virtual bool Write(const std::uint8_t* bytes, std::size_t count, std::size_t& written) = 0;

  // Throws away what the driver holds unread: bytes that came before the line was opened are
  // history, not news.
  virtual void DiscardInput() = 0;

  // While on, a read in progress ends at once with what it has (a success) and so does every read
  // that starts, without closing the line: the reader thread can be stopped, or held while a
  // command is written, without waiting out its read time-out.
  virtual void InterruptReads(bool on) = 0;

  // Restores what the line was before it was opened and releases it. Safe to call while
  // another thread is inside Read or Write on this line: that call ends promptly, and Close
  // returns once it has.
  virtual bool Close() = 0;
};

// The number of a port name "COM1:" to "COM9:" (the colon optional, the letters of any case);
// 0 for any other name, which must never reach the operating system as a device. Windows also
// numbers ports beyond COM9 ("COM12:", up to `highest`, no leading zero).
inline int PortNumber(std::u16string_view name, int highest = 9) {
  if (!name.empty() && name.back() == u':') name.remove_suffix(1);
  if (name.size() < 4 || name.size() > 6) return 0;
  const auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
  if (upper(name[0]) != u'C' || upper(name[1]) != u'O' || upper(name[2]) != u'M' || name[3] == u'0') return 0;
  int number = 0;
  for (const char16_t digit : name.substr(3)) {
    if (digit < u'0' || digit > u'9') return 0;
    number = number * 10 + (digit - u'0');
  }
  return number <= highest ? number : 0;
}

// A port on the network: "tcp://HOST:PORT" carries the line's bytes as they are (a terminal
// server, ser2net's raw mode, socat), "rfc2217://HOST:PORT" also sets the far line's speed and
// framing. The scheme in any case; HOST a name, an address or a bracketed IPv6 address; PORT 1
// to 65535. None for any other name.
enum class NetworkKind { Raw, Rfc2217 };

inline std::optional<NetworkKind> NetworkScheme(std::u16string_view name) {
  const auto startsWith = [&](std::u16string_view scheme) {
    if (name.size() < scheme.size()) return false;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
      const char16_t c = name[i];
      if ((c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c) != scheme[i]) return false;
    }
    return true;
  };
  std::optional<NetworkKind> kind;
  std::u16string_view rest;
  if (startsWith(u"tcp://")) {
    kind = NetworkKind::Raw;
    rest = name.substr(6);
  } else if (startsWith(u"rfc2217://")) {
    kind = NetworkKind::Rfc2217;
    rest = name.substr(10);
  } else {
    return std::nullopt;
  }
  const std::size_t colon = rest.rfind(u':');
  if (colon == std::u16string_view::npos || colon == 0 || colon + 1 == rest.size() || colon + 6 < rest.size()) {
    return std::nullopt;
  }
  const std::u16string_view host = rest.substr(0, colon);
  // A bare IPv6 address would hide where the port starts.
  if (host.front() == u'[' ? host.back() != u']' || host.size() < 3 : host.find(u':') != std::u16string_view::npos) {
    return std::nullopt;
  }
  for (const char16_t c : host) {
    if (c <= u' ' || c == u',' || c == u'/' || c > 0x7E) return std::nullopt;
  }
  long port = 0;
  for (const char16_t digit : rest.substr(colon + 1)) {
    if (digit < u'0' || digit > u'9') return std::nullopt;
    port = port * 10 + (digit - u'0');
  }
  if (port < 1 || port > 65535) return std::nullopt;
  return kind;
}

// Opens the device that a port name ("COM4:") designates, exclusively: a second open of the same
// device, from this process or another, fails; a network port name connects instead. Null on failure, with `error` (when given) saying
// why: no such device, no permission, or held by another program. Until SetTimeouts the driver's
// own time-outs apply.
std::unique_ptr<SerialLine> OpenSerialLine(std::u16string_view name, AccessMode access,
                                           LineError* error = nullptr);

}  // namespace skylark::platform

#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "receiver/serial_port.h"

namespace skylark {

// What a port said when asked for the receiver's status.
struct ProbeAnswer {
  bool answered = false;        // a station report or any other well-formed sentence came
  bool echo = false;            // our own request came back: the line echoes, it is no receiver
  std::int32_t stationId = 0;   // from a "$PCSI,CS0" report; 0 without one
  double frequency = 0.0;       // kHz, from the same report
};

// The longest a probe listens: a receiver answers "$PCSI,1" within a second, and one that sends
// its status every second is heard within that time too.
inline constexpr std::chrono::milliseconds kProbeWait{1500};

// Opens `name` with `access` and the receiver's line settings, sends "$PCSI,1" when it may write,
// and listens until a "$PCSI,CS0" report comes or `wait` has passed. A sentence with a wrong
// checksum or no sentence shape is not taken for a receiver, nor is our own request sent back.
// None when the port does not open or cannot be read (nothing could be heard). The port is
// closed again before it returns.
// `failure`, when given, takes why the port did not open.
std::optional<ProbeAnswer> ProbeReceiver(std::u16string_view name, AccessMode access,
                                         std::chrono::milliseconds wait = kProbeWait,
                                         std::optional<LineError>* failure = nullptr);

// What the search for a receiver learnt of one port.
struct PortProbe {
  std::u16string name;
  bool console = false;              // the system console: not asked
  std::optional<LineError> failure;  // why it did not open
  std::optional<ProbeAnswer> answer;  // what it said, when it opened
  // The earlier port whose device this name reaches too ("/dev/ttyACM0" behind "COM4:"): not
  // asked again, as a second open of one device fails or races the first; it takes that answer.
  std::optional<std::size_t> sameAs{};
};

struct ReceiverSearch {
  std::vector<PortProbe> ports;       // every port of the lists, in their order
  std::optional<std::size_t> found;  // the first of them on which a receiver answered
};

// Asks every port of the lists (COM1: to COM9:, then those present beyond) as ProbeReceiver does,
// all at once so that the search takes one probe's time. A port this program holds open shows
// as in use: close it first to have it asked. A device with several names is asked once, under
// the first of them, which a search that finds it names.
ReceiverSearch FindReceiver(std::chrono::milliseconds wait = kProbeWait);

}  // namespace skylark

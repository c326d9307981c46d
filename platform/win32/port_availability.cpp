#include "platform/port_devices.h"
#include "platform/serial_line.h"

namespace skylark::platform {

// Windows keeps no lock files to read, so only an open tells whether a port is free.
std::optional<LineError> PortAvailability(std::u16string_view name) {
  LineError failure;
  auto line = OpenSerialLine(name, AccessMode::ReadWrite, &failure);
  if (!line) return failure;
  line->Close();
  return std::nullopt;
}

// A console is not a COM port on Windows.
bool IsConsole(std::u16string_view) { return false; }

}  // namespace skylark::platform

#include "platform/port_devices.h"
#include "platform/serial_line.h"

namespace skylark::platform {

// Windows keeps no lock files to read, so only an open tells whether a port is free.
std::u16string PortAvailability(std::u16string_view name) {
  std::u16string reason;
  auto line = OpenSerialLine(name, AccessMode::ReadWrite, &reason);
  if (!line) return reason.empty() ? u"does not open" : reason;
  line->Close();
  return u"free";
}

}  // namespace skylark::platform

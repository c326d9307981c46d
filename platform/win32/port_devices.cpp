#include "platform/port_devices.h"

// The ports are the system's own COM1: to COM9:; there is nothing to show or link.
namespace skylark::platform {

std::u16string PortDevice(std::u16string_view) { return {}; }

std::u16string PortDeviceNode(std::u16string_view) { return {}; }

std::vector<SerialDevice> ListSerialDevices() { return {}; }

bool LinkPortName(std::u16string_view, std::u16string_view, std::u16string& result) {
  result = u"On Windows the port names are the system's own and cannot be linked.";
  return false;
}

bool UnlinkPortName(std::u16string_view, std::u16string& result) {
  result = u"On Windows the port names are the system's own and cannot be linked.";
  return false;
}

}  // namespace skylark::platform

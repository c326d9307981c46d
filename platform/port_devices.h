#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/serial_line.h"

// Which device each port name reaches, and the serial devices present, so that a user can see
// and change where "COM1:" to "COM9:" lead, and on Windows which ports beyond COM9 exist. The
// port names stay what the settings store.
namespace skylark::platform {

// A port name is "COM1:" to "COM9:" (on Windows also beyond), or on Linux a device's own path
// ("/dev/ttyUSB0", "/dev/serial/by-id/usb-..."), opened directly.

// The device a port name reaches, as the user named it: the target of its link in the port
// directory ("/dev/serial/by-id/usb-..."), else the default device ("/dev/ttyS3" for "COM4:").
// Empty for a name that is not a port name, and on a system whose port names are the devices'
// own (Windows).
std::u16string PortDevice(std::u16string_view name);

// What the system says the device a port name reaches is ("FT232R USB UART", "console"); empty
// when it says nothing, or the name leads nowhere.
std::u16string PortDescription(std::u16string_view name);

// The device node that a port name finally leads to ("/dev/ttyUSB0"); empty when it leads to
// nothing that exists, or the system has no such notion.
std::u16string PortDeviceNode(std::u16string_view name);

// Whether a port name's device looks usable, found without opening it (an open alone raises DTR
// and RTS, which resets some boards): none when free, else why it would not open (a missing
// device, another program's lock, a permission the user lacks) as OpenSerialLine would say it.
std::optional<LineError> PortAvailability(std::u16string_view name);

// Whether a port name leads to the system console, which scans and probes leave alone: what
// they send would reach the console's users and its login prompt.
bool IsConsole(std::u16string_view name);

// A serial device present on the system.
struct SerialDevice {
  std::u16string node;        // "/dev/ttyUSB0"
  std::u16string stableName;  // "/dev/serial/by-id/usb-...", on Windows the port name; empty when none
  std::u16string description{};  // what the system says it is: "FT232R USB UART", "console"
};

// USB serial adapters, USB modems and the built-in ports that answer, in name order.
std::vector<SerialDevice> ListSerialDevices();

// The names of the ports beyond "COM9:" that are present: on Windows "COM12:" and the like, in
// number order; on Linux every serial device's own path, as ListSerialDevices lists them.
std::vector<std::u16string> PortNamesBeyondNine();

// Makes a port name lead to a device, preferring the device's stable name when it has one.
// On success `result` is the device the name now reaches; otherwise it says why not, or is
// empty and `missing` says why the device cannot be had.
bool LinkPortName(std::u16string_view name, std::u16string_view device, std::u16string& result,
                  std::optional<LineError>& missing);

// Removes a port name's link, so that it reaches its default device again. On success `result`
// is that device; otherwise it says why not.
bool UnlinkPortName(std::u16string_view name, std::u16string& result);

}  // namespace skylark::platform

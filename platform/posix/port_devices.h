#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/port_devices.h"
#include "platform/serial_line.h"

// The POSIX side of the port devices, with the device tree as a parameter so that tests can
// stand a directory of their own in for /dev and /sys.
namespace skylark::platform::posix {

struct DeviceTree {
  std::string dev = "/dev";
  std::string sysTty = "/sys/class/tty";
};

// The device node a path finally leads to, all links followed; empty (errno set) when none.
std::string ResolvedDevice(const std::string& path);

std::vector<SerialDevice> ListSerialDevicesIn(const DeviceTree& tree);

// The name below <dev>/serial/by-id that leads to the same device as `device`; empty if none.
std::string StableNameIn(const DeviceTree& tree, const std::string& device);

// Whether `device` leads to a system console (<sysTty>/console/active names it).
bool IsConsoleIn(const DeviceTree& tree, const std::string& device);

bool LinkPortNameIn(const DeviceTree& tree, std::u16string_view name, std::u16string_view device,
                    std::u16string& result, std::optional<LineError>& missing);

// The device a port name reaches, as PortDevice gives it, in the file system's encoding.
std::string ShownDevice(std::u16string_view name);

// Why opening `device` (shown to the user as `shown`) failed with `error`: a missing device, a
// permission the user lacks (with the group to join when joining it would help, else the
// device's owner and mode), or a device another program holds (`holder`, its PID, when known).
LineError OpenFailure(int error, const std::string& shown, const std::string& device, pid_t holder);

}  // namespace skylark::platform::posix

#include "platform/port_devices.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/serial_line.h"
#include "platform/win32/wide.h"

// The port names are the system's own; what there is to show is which of them are present, as
// the system's serial-port map lists them (a USB adapter is often COM10 or above).
namespace skylark::platform {
namespace {

constexpr int kHighestPort = 256;

// The serial-port map: port number and the device behind it ("\Device\Serial0"), by number.
std::vector<std::pair<int, std::u16string>> SerialPortMap() {
  std::vector<std::pair<int, std::u16string>> ports;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return ports;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t device[256];
    wchar_t port[32] = {};
    DWORD deviceLength = 256;
    DWORD portBytes = sizeof(port) - sizeof(wchar_t);  // room left for a NUL the data may lack
    DWORD type = 0;
    const LONG result = ::RegEnumValueW(key, index, device, &deviceLength, nullptr, &type,
                                        reinterpret_cast<BYTE*>(port), &portBytes);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS || type != REG_SZ) continue;
    const std::wstring_view name(port, ::wcsnlen(port, portBytes / sizeof(wchar_t)));
    if (const int number = PortNumber(win32::Narrow16(name), kHighestPort); number != 0) {
      ports.emplace_back(number, win32::Narrow16(std::wstring_view(device, deviceLength)));
    }
  }
  ::RegCloseKey(key);
  std::sort(ports.begin(), ports.end());
  ports.erase(std::unique(ports.begin(), ports.end(),
                          [](const auto& a, const auto& b) { return a.first == b.first; }),
              ports.end());
  return ports;
}

}  // namespace

std::u16string PortDevice(std::u16string_view) { return {}; }

std::u16string PortDeviceNode(std::u16string_view name) {
  const int number = PortNumber(name, kHighestPort);
  for (const auto& [present, device] : SerialPortMap()) {
    if (present == number) return device;
  }
  return {};
}

// The port list's names say it already; the Device Manager's friendly names are not read.
std::u16string PortDescription(std::u16string_view) { return {}; }

std::vector<SerialDevice> ListSerialDevices() {
  std::vector<SerialDevice> devices;
  for (const auto& [number, device] : SerialPortMap()) devices.push_back({device, {}, {}});
  return devices;
}

std::vector<std::u16string> PortNamesBeyondNine() {
  std::vector<std::u16string> names;
  for (const auto& [number, device] : SerialPortMap()) {
    if (number > 9) names.push_back(u"COM" + win32::Narrow16(std::to_wstring(number)) + u":");
  }
  return names;
}

bool LinkPortName(std::u16string_view, std::u16string_view, std::u16string& result, std::optional<LineError>&) {
  result = u"On Windows the port names are the system's own and cannot be linked.";
  return false;
}

bool UnlinkPortName(std::u16string_view, std::u16string& result) {
  result = u"On Windows the port names are the system's own and cannot be linked.";
  return false;
}

}  // namespace skylark::platform

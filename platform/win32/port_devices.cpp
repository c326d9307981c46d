#include "platform/port_devices.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <map>
#include <utility>

#include "platform/serial_line.h"
#include "platform/win32/friendly_names.h"
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

// Calls `each` with every subkey of `key` that opens for reading; keys that refuse are skipped.
void ForEachSubkey(HKEY key, const std::function<void(HKEY)>& each) {
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = 256;
    const LONG result = ::RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) break;
    HKEY subkey = nullptr;
    if (result != ERROR_SUCCESS || ::RegOpenKeyExW(key, name, 0, KEY_READ, &subkey) != ERROR_SUCCESS) continue;
    each(subkey);
    ::RegCloseKey(subkey);
  }
}

// A REG_SZ value of `key` (or of its subkey), empty when missing or of another type.
std::wstring TextValue(HKEY key, const wchar_t* subkey, const wchar_t* value) {
  wchar_t text[512];
  DWORD bytes = sizeof text;
  if (::RegGetValueW(key, subkey, value, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS) return {};
  return text;
}

// Drivers may store a description as "@file.inf,%key%;Text", which shows as its text.
std::wstring Shown(std::wstring text) {
  if (const auto semicolon = text.find(L';'); !text.empty() && text[0] == L'@' && semicolon != std::wstring::npos) {
    text.erase(0, semicolon + 1);
  }
  return text;
}

std::map<int, std::u16string> FriendlyPortNames() {
  HKEY tree = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Enum", 0, KEY_READ, &tree) != ERROR_SUCCESS) {
    return {};
  }
  auto names = win32::FriendlyPortNamesIn(tree);
  ::RegCloseKey(tree);
  return names;
}

}  // namespace

std::map<int, std::u16string> win32::FriendlyPortNamesIn(HKEY enumTree) {
  std::map<int, std::u16string> names;
  std::map<int, bool> present;
  const auto instance = [&](HKEY key) {
    const int number = PortNumber(Narrow16(TextValue(key, L"Device Parameters", L"PortName")), kHighestPort);
    if (number == 0) return;
    // The system makes the Control key as it starts a device; a key that exists but refuses counts.
    HKEY control = nullptr;
    const LONG opened = ::RegOpenKeyExW(key, L"Control", 0, KEY_QUERY_VALUE, &control);
    if (opened == ERROR_SUCCESS) ::RegCloseKey(control);
    const bool here = opened != ERROR_FILE_NOT_FOUND;
    std::wstring name = Shown(TextValue(key, nullptr, L"FriendlyName"));
    if (name.empty()) name = Shown(TextValue(key, nullptr, L"DeviceDesc"));
    if (name.empty() || (names.count(number) != 0 && (present[number] || !here))) return;
    names[number] = Narrow16(name);
    present[number] = here;
  };
  ForEachSubkey(enumTree, [&](HKEY bus) { ForEachSubkey(bus, [&](HKEY device) { ForEachSubkey(device, instance); }); });
  return names;
}

std::u16string PortDevice(std::u16string_view) { return {}; }

std::u16string PortDeviceNode(std::u16string_view name) {
  const int number = PortNumber(name, kHighestPort);
  for (const auto& [present, device] : SerialPortMap()) {
    if (present == number) return device;
  }
  return {};
}

std::u16string PortDescription(std::u16string_view name) {
  const auto names = FriendlyPortNames();
  const auto found = names.find(PortNumber(name, kHighestPort));
  return found == names.end() ? std::u16string() : found->second;
}

// The port name is what stays the device's: Windows gives an adapter the same number each time.
std::vector<SerialDevice> ListSerialDevices() {
  std::vector<SerialDevice> devices;
  const auto names = FriendlyPortNames();
  for (const auto& [number, device] : SerialPortMap()) {
    const auto found = names.find(number);
    devices.push_back({device, u"COM" + win32::Narrow16(std::to_wstring(number)) + u":",
                       found == names.end() ? std::u16string() : found->second});
  }
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

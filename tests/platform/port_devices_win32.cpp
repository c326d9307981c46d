#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/win32/friendly_names.h"

namespace skylark::platform {
namespace {

// A device tree of this run alone, laid out as the system's: the name Device Manager shows, else
// the description in its plain form; a device present wins over one plugged in once under the
// same number, whichever comes first; devices that name no COM port are left out.
TEST(FriendlyPortNames, EachPortTakesItsDevicesName) {
  const std::wstring root = L"Software\\Corvane\\SkylarkEnumTest-" + std::to_wstring(::GetCurrentProcessId());
  const struct {
    const wchar_t *path, *port, *friendly, *description;
    bool present;
  } devices[] = {{L"ACPI\\PNP0501\\1", L"COM1", L"Communications Port (COM1)", L"Communications Port", true},
                 {L"FTDIBUS\\VID_0403+PID_6001+A1\\0000", L"COM12", L"Once (COM12)", nullptr, false},
                 {L"FTDIBUS\\VID_0403+PID_6001+B2\\0000", L"COM12", L"USB Serial Port (COM12)", nullptr, true},
                 {L"FTDIBUS\\VID_0403+PID_6001+C3\\0000", L"COM12", L"Gone (COM12)", nullptr, false},
                 {L"USB\\VID_1546&PID_01A8\\5", L"COM3", nullptr, L"@usbser.inf,%desc%;USB Serial Device", true},
                 {L"USB\\VID_046D&PID_C52B\\6", nullptr, L"USB Receiver", nullptr, true},
                 {L"LPTENUM\\PRINTER\\7", L"LPT1", L"Printer Port (LPT1)", nullptr, true},
                 {L"ROOT\\PORTS\\0000", L"COM7", nullptr, nullptr, true}};
  const auto put = [&root](const std::wstring& key, const wchar_t* name, const wchar_t* text) {
    if (text == nullptr) return;
    const auto bytes = static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t));
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, (root + L"\\" + key).c_str(), name, REG_SZ, text, bytes), ERROR_SUCCESS);
  };
  for (const auto& device : devices) {
    put(device.path + std::wstring(L"\\Device Parameters"), L"PortName", device.port);
    put(device.path, L"FriendlyName", device.friendly);
    put(device.path, L"DeviceDesc", device.description);
    put(device.path + std::wstring(L"\\Control"), L"ActiveService", device.present ? L"usbser" : nullptr);
  }
  HKEY tree = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, root.c_str(), 0, KEY_READ, &tree), ERROR_SUCCESS);
  const std::map<int, std::u16string> expected = {
      {1, u"Communications Port (COM1)"}, {3, u"USB Serial Device"}, {12, u"USB Serial Port (COM12)"}};
  EXPECT_EQ(win32::FriendlyPortNamesIn(tree), expected);
  ::RegCloseKey(tree);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str());
}

}  // namespace
}  // namespace skylark::platform

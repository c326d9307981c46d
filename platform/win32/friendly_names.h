#pragma once

#include <windows.h>

#include <map>
#include <string>

// What Device Manager calls each serial port ("USB Serial Port (COM12)"), read from the device
// tree in the registry, which any account may read; the device-installation library would answer
// too, but the programs keep to the DLLs every Windows has loaded anyway.
namespace skylark::platform::win32 {

// Port number to name, from a tree laid out as HKLM\SYSTEM\CurrentControlSet\Enum is:
// <bus>\<device>\<instance>, whose "Device Parameters" value PortName is "COMn". The name is the
// instance's FriendlyName, else its DeviceDesc; a device present (one with a Control key) wins
// over one that was plugged in once under the same number.
std::map<int, std::u16string> FriendlyPortNamesIn(HKEY enumTree);

}  // namespace skylark::platform::win32

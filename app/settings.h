#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/settings_store.h"

// The value operations on the settings store: each reads or writes one value of one key and
// falls back to the caller's default when the value is missing, of another type or unreadable.
namespace skylark {

inline constexpr std::u16string_view kSettingsKey = u"\\Software\\Corvane\\Skylark";

inline constexpr std::u16string_view kFrequencyValue = u"Frequency";
inline constexpr std::u16string_view kMskValue = u"MSK";
inline constexpr std::u16string_view kStationIdValue = u"SID";
inline constexpr std::u16string_view kRegionValue = u"Region";
inline constexpr std::u16string_view kCountryValue = u"Country";
inline constexpr std::u16string_view kBeaconValue = u"Beacon";
inline constexpr std::u16string_view kInputPortValue = u"BeaconToDevicePort";
inline constexpr std::u16string_view kOutputPortValue = u"DeviceToBeaconPort";
inline constexpr std::u16string_view kTuneModeValue = u"TuneMode";

// The longest text a setting hands on (a 256-character buffer with its terminating NUL).
inline constexpr std::size_t kMaxSettingText = 255;

std::uint32_t ReadSettingNumber(platform::SettingsStore& store, std::u16string_view keyPath,
                                std::u16string_view name, std::uint32_t defaultValue);
std::u16string ReadSettingText(platform::SettingsStore& store, std::u16string_view keyPath,
                               std::u16string_view name, std::u16string_view defaultText);
bool WriteSettingNumber(platform::SettingsStore& store, std::u16string_view keyPath, std::u16string_view name,
                        std::uint32_t value);
bool WriteSettingText(platform::SettingsStore& store, std::u16string_view keyPath, std::u16string_view name,
                      std::u16string_view text);

// A frequency in kHz as stored: hundredths of a kHz, rounded to the nearest (283.9 kHz is 28390
// however it was computed); 0 for a negative frequency or NaN, the largest number for one too
// large to store.
std::uint32_t StoredFrequency(double frequencyKhz);

// A stored frequency back in kHz.
double FrequencyFromStored(std::uint32_t stored);

}  // namespace skylark

#include "app/settings.h"

#include <cmath>

namespace skylark {

std::uint32_t ReadSettingNumber(platform::SettingsStore& store, std::u16string_view keyPath,
                                std::u16string_view name, std::uint32_t defaultValue) {
  std::uint32_t value = 0;
  return store.ReadNumber(keyPath, name, value) ? value : defaultValue;
}

std::u16string ReadSettingText(platform::SettingsStore& store, std::u16string_view keyPath,
                               std::u16string_view name, std::u16string_view defaultText) {
  std::u16string text;
  if (!store.ReadText(keyPath, name, text)) text = defaultText;
  // Whatever the store, no more than the settings buffer holds is handed on.
  if (text.size() > kMaxSettingText) text.resize(kMaxSettingText);
  return text;
}

bool WriteSettingNumber(platform::SettingsStore& store, std::u16string_view keyPath, std::u16string_view name,
                        std::uint32_t value) {
  return store.WriteNumber(keyPath, name, value);
}

bool WriteSettingText(platform::SettingsStore& store, std::u16string_view keyPath, std::u16string_view name,
                      std::u16string_view text) {
  return store.WriteText(keyPath, name, text);
}

std::uint32_t StoredFrequency(double frequencyKhz) {
  // Rounded, not truncated: 283.9 x 100 is 28389.999... in binary and must not become 28389.
  const double hundredths = std::floor(frequencyKhz * 100.0 + 0.5);
  if (!(hundredths > 0.0)) return 0;  // also NaN
  if (hundredths >= 4294967295.0) return UINT32_MAX;
  return static_cast<std::uint32_t>(hundredths);
}

// Times 0.01 rather than divided by 100: a site file's 283900 Hz x 0.001 gives the very same
// double, so a stored site and its catalogue entry compare equal.
double FrequencyFromStored(std::uint32_t stored) { return stored * 0.01; }

}  // namespace skylark

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The per-machine key-value store the settings live in. Every call opens (creating if needed) the
// key, does one value operation and closes the key again. Values are typed: a 32-bit number or a
// text.
namespace skylark::platform {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // True and the value when the key opens and holds a value of exactly four bytes.
  virtual bool ReadNumber(std::u16string_view keyPath, std::u16string_view name, std::uint32_t& value) = 0;
  // True and the text (at most 255 characters) when the key opens and holds a text that fits a
  // 512-byte buffer with its terminating NUL.
  virtual bool ReadText(std::u16string_view keyPath, std::u16string_view name, std::u16string& text) = 0;
  virtual bool WriteNumber(std::u16string_view keyPath, std::u16string_view name, std::uint32_t value) = 0;
  virtual bool WriteText(std::u16string_view keyPath, std::u16string_view name, std::u16string_view text) = 0;
};

// The machine's own store: the registry under HKEY_LOCAL_MACHINE on Windows (under
// HKEY_CURRENT_USER where the machine's key cannot be written), a settings file in the user's
// configuration directory elsewhere.
std::unique_ptr<SettingsStore> OpenMachineSettings();

}  // namespace skylark::platform

#include "platform/settings_store.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/win32/wide.h"

namespace skylark::platform {
namespace {

// The text buffer: 256 UTF-16 units including the terminating NUL.
constexpr DWORD kTextBufferBytes = 512;
constexpr std::size_t kMaxTextLength = kTextBufferBytes / sizeof(wchar_t) - 1;

// The key path is written "\Software\...", but the registry takes a subkey only without the
// leading separator.
std::wstring SubkeyOf(std::u16string_view keyPath) {
  while (!keyPath.empty() && keyPath.front() == u'\\') keyPath.remove_prefix(1);
  return win32::Wide(keyPath);
}

// The key under HKEY_LOCAL_MACHINE, created when missing, held only for one value operation.
// Reading asks only for query access, so that a user who may not write the machine's settings
// can still read them.
class Key {
 public:
  Key(std::u16string_view keyPath, REGSAM access) {
    const std::wstring subkey = SubkeyOf(keyPath);
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                          nullptr, &key_, nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
    }
  }
  ~Key() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

class RegistryStore final : public SettingsStore {
 public:
  // Any value of exactly four bytes is the number, whatever type it was stored with; a shorter
  // one would leave part of the number undefined and counts as missing.
  bool ReadNumber(std::u16string_view keyPath, std::u16string_view name, std::uint32_t& value) override {
    Key key(keyPath, KEY_QUERY_VALUE);
    if (key.get() == nullptr) return false;
    const std::wstring valueName = win32::Wide(name);
    DWORD number = 0;
    DWORD size = sizeof(number);
    if (::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&number),
                           &size) != ERROR_SUCCESS ||
        size != sizeof(number)) {
      return false;
    }
    value = number;
    return true;
  }

  // A stored text need not end with a NUL: it ends at the first NUL, at the end of the data, or
  // after 255 characters, whichever comes first, and never past the buffer.
  bool ReadText(std::u16string_view keyPath, std::u16string_view name, std::u16string& text) override {
    Key key(keyPath, KEY_QUERY_VALUE);
    if (key.get() == nullptr) return false;
    const std::wstring valueName = win32::Wide(name);
    wchar_t buffer[kTextBufferBytes / sizeof(wchar_t)] = {};
    DWORD size = kTextBufferBytes;
    if (::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                           &size) != ERROR_SUCCESS) {
      return false;
    }
    const std::size_t units = std::min<std::size_t>(size / sizeof(wchar_t), kMaxTextLength);
    const std::wstring_view stored(buffer, units);
    text = win32::Narrow16(stored.substr(0, stored.find(L'\0')));
    return true;
  }

  bool WriteNumber(std::u16string_view keyPath, std::u16string_view name, std::uint32_t value) override {
    Key key(keyPath, KEY_SET_VALUE);
    if (key.get() == nullptr) return false;
    const std::wstring valueName = win32::Wide(name);
    const DWORD number = value;
    return ::RegSetValueExW(key.get(), valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                            sizeof(number)) == ERROR_SUCCESS;
  }

  // Written with its terminating NUL, as every reader of the value expects.
  bool WriteText(std::u16string_view keyPath, std::u16string_view name, std::u16string_view text) override {
    Key key(keyPath, KEY_SET_VALUE);
    if (key.get() == nullptr) return false;
    const std::wstring valueName = win32::Wide(name);
    const std::wstring data = win32::Wide(text);
    const std::size_t bytes = (data.size() + 1) * sizeof(wchar_t);
    if (bytes > MAXDWORD) return false;
    return ::RegSetValueExW(key.get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
  }
};

}  // namespace

std::unique_ptr<SettingsStore> OpenMachineSettings() { return std::make_unique<RegistryStore>(); }

}  // namespace skylark::platform

#include "platform/settings_store.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/win32/registry_settings.h"
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

// The key under `root`, held only for one value operation. Reading the machine's key asks only
// for query access, so that a user who may not write the machine's settings can still read them;
// the user's own key is only opened, never created, by a read: whether it exists decides which
// key start-up reads first.
class Key {
 public:
  Key(HKEY root, std::u16string_view keyPath, REGSAM access, bool create) {
    const std::wstring subkey = SubkeyOf(keyPath);
    const LONG result = create ? ::RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                   access, nullptr, &key_, nullptr)
                               : ::RegOpenKeyExW(root, subkey.c_str(), 0, access, &key_);
    if (result != ERROR_SUCCESS) key_ = nullptr;
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

// Any value of exactly four bytes is the number, whatever type it was stored with; a shorter
// one would leave part of the number undefined and counts as missing.
bool QueryNumber(HKEY key, std::u16string_view name, std::uint32_t& value) {
  if (key == nullptr) return false;
  const std::wstring valueName = win32::Wide(name);
  DWORD number = 0;
  DWORD size = sizeof(number);
  if (::RegQueryValueExW(key, valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size) !=
          ERROR_SUCCESS ||
      size != sizeof(number)) {
    return false;
  }
  value = number;
  return true;
}

// A stored text need not end with a NUL: it ends at the first NUL, at the end of the data, or
// after 255 characters, whichever comes first, and never past the buffer.
bool QueryText(HKEY key, std::u16string_view name, std::u16string& text) {
  if (key == nullptr) return false;
  const std::wstring valueName = win32::Wide(name);
  wchar_t buffer[kTextBufferBytes / sizeof(wchar_t)] = {};
  DWORD size = kTextBufferBytes;
  if (::RegQueryValueExW(key, valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  const std::size_t units = std::min<std::size_t>(size / sizeof(wchar_t), kMaxTextLength);
  const std::wstring_view stored(buffer, units);
  text = win32::Narrow16(stored.substr(0, stored.find(L'\0')));
  return true;
}

bool SetValue(HKEY root, std::u16string_view keyPath, std::u16string_view name, DWORD type, const void* data,
              std::size_t bytes) {
  Key key(root, keyPath, KEY_SET_VALUE, true);
  if (key.get() == nullptr || bytes > MAXDWORD) return false;
  const std::wstring valueName = win32::Wide(name);
  return ::RegSetValueExW(key.get(), valueName.c_str(), 0, type, static_cast<const BYTE*>(data),
                          static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
}

bool UserKeyExists(std::u16string_view keyPath) {
  return Key(HKEY_CURRENT_USER, keyPath, KEY_QUERY_VALUE, false).get() != nullptr;
}

// The machine's key, as other software reads it, wherever it can be written. A standard account
// (or an administrator without elevation) cannot write it; its values then go to the same subkey
// under HKEY_CURRENT_USER, and reads look there first while that key exists, so what was saved is
// what the next start shows. Once the user's key exists, a write that reaches the machine's key
// goes there too, so that the user's copy never hides a newer machine value.
class RegistryStore final : public SettingsStore {
 public:
  explicit RegistryStore(bool machineWritable) : machineWritable_(machineWritable) {}

  bool ReadNumber(std::u16string_view keyPath, std::u16string_view name, std::uint32_t& value) override {
    return QueryNumber(Key(HKEY_CURRENT_USER, keyPath, KEY_QUERY_VALUE, false).get(), name, value) ||
           QueryNumber(Key(HKEY_LOCAL_MACHINE, keyPath, KEY_QUERY_VALUE, true).get(), name, value);
  }

  bool ReadText(std::u16string_view keyPath, std::u16string_view name, std::u16string& text) override {
    return QueryText(Key(HKEY_CURRENT_USER, keyPath, KEY_QUERY_VALUE, false).get(), name, text) ||
           QueryText(Key(HKEY_LOCAL_MACHINE, keyPath, KEY_QUERY_VALUE, true).get(), name, text);
  }

  bool WriteNumber(std::u16string_view keyPath, std::u16string_view name, std::uint32_t value) override {
    const DWORD number = value;
    return Write(keyPath, name, REG_DWORD, &number, sizeof(number));
  }

  // Written with its terminating NUL, as every reader of the value expects.
  bool WriteText(std::u16string_view keyPath, std::u16string_view name, std::u16string_view text) override {
    const std::wstring data = win32::Wide(text);
    return Write(keyPath, name, REG_SZ, data.c_str(), (data.size() + 1) * sizeof(wchar_t));
  }

 private:
  bool Write(std::u16string_view keyPath, std::u16string_view name, DWORD type, const void* data,
             std::size_t bytes) {
    if (machineWritable_ && SetValue(HKEY_LOCAL_MACHINE, keyPath, name, type, data, bytes)) {
      if (UserKeyExists(keyPath)) SetValue(HKEY_CURRENT_USER, keyPath, name, type, data, bytes);
      return true;
    }
    return SetValue(HKEY_CURRENT_USER, keyPath, name, type, data, bytes);
  }

  const bool machineWritable_;
};

}  // namespace

std::unique_ptr<SettingsStore> OpenMachineSettings() { return std::make_unique<RegistryStore>(true); }

std::unique_ptr<SettingsStore> OpenRegistrySettings(bool machineWritable) {
  return std::make_unique<RegistryStore>(machineWritable);
}

}  // namespace skylark::platform

#include "platform/files.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/wide.h"

namespace skylark::platform {
namespace {

class Win32ByteFile final : public ByteFile {
 public:
  explicit Win32ByteFile(HANDLE handle) : handle_(handle) {}
  ~Win32ByteFile() override { ::CloseHandle(handle_); }
  Win32ByteFile(const Win32ByteFile&) = delete;
  Win32ByteFile& operator=(const Win32ByteFile&) = delete;

  bool Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) override {
    DWORD n = 0;
    const bool ok = ::ReadFile(handle_, buffer, static_cast<DWORD>(std::min<std::size_t>(count, MAXDWORD)), &n,
                               nullptr) != FALSE;
    got = ok ? n : 0;
    return ok;
  }

 private:
  HANDLE handle_;
};

class Win32AppendFile final : public AppendFile {
 public:
  Win32AppendFile(HANDLE handle, std::uint64_t size) : handle_(handle), size_(size) {}
  ~Win32AppendFile() override { ::CloseHandle(handle_); }
  Win32AppendFile(const Win32AppendFile&) = delete;
  Win32AppendFile& operator=(const Win32AppendFile&) = delete;

  std::uint64_t InitialSize() const override { return size_; }
  bool Append(std::string_view bytes) override {
    while (!bytes.empty()) {
      DWORD n = 0;
      const DWORD count = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), MAXDWORD));
      if (!::WriteFile(handle_, bytes.data(), count, &n, nullptr) || n == 0) return false;
      bytes.remove_prefix(n);
    }
    return true;
  }

 private:
  HANDLE handle_;
  std::uint64_t size_;
};

}  // namespace

char16_t PathSeparator() { return u'\\'; }

bool ListDirectory(std::u16string_view directory, std::vector<std::u16string>& names) {
  names.clear();
  if (directory.empty()) return false;
  std::wstring pattern = win32::Wide(directory);
  if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  pattern += L"*.*";
  WIN32_FIND_DATAW entry{};
  const HANDLE find = ::FindFirstFileW(pattern.c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;  // an empty root
  do {
    const std::wstring_view name(entry.cFileName);
    if (name != L"." && name != L"..") names.push_back(win32::Narrow16(name));
  } while (::FindNextFileW(find, &entry));
  ::FindClose(find);
  return true;
}

std::unique_ptr<ByteFile> OpenFileForReading(std::u16string_view path) {
  if (path.empty()) return nullptr;
  const std::wstring wide = win32::Wide(path);
  const HANDLE handle =
      ::CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  // A name in the directory may still be a device or a pipe; only a disk file is read.
  if (::GetFileType(handle) != FILE_TYPE_DISK) {
    ::CloseHandle(handle);
    return nullptr;
  }
  return std::make_unique<Win32ByteFile>(handle);
}

std::unique_ptr<AppendFile> OpenFileForAppending(std::u16string_view path) {
  if (path.empty()) return nullptr;
  // Append-only access: every write lands at the end, whatever else has the file open for reading.
  const HANDLE handle = ::CreateFileW(win32::Wide(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER size{};
  if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileSizeEx(handle, &size)) {
    ::CloseHandle(handle);
    return nullptr;
  }
  return std::make_unique<Win32AppendFile>(handle, static_cast<std::uint64_t>(size.QuadPart));
}

std::optional<std::u16string> ProgramDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::nullopt;
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);  // cut short: try a larger buffer
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return std::nullopt;
  path.resize(slash);
  return win32::Narrow16(path);
}

std::optional<std::u16string> SystemRootDirectory() {
  std::wstring value(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetEnvironmentVariableW(L"SystemRoot", value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) return std::nullopt;
    if (length < value.size()) {
      value.resize(length);
      return win32::Narrow16(value);
    }
    value.resize(length);  // too small: `length` includes the NUL
  }
}

}  // namespace skylark::platform

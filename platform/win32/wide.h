#pragma once

#include <string>
#include <string_view>

// Windows' wide characters are UTF-16 code units, the same as the core's char16_t texts; the
// Win32 calls want them NUL-terminated.
namespace skylark::platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 wide characters are 16 bits");

inline std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

inline std::u16string Narrow16(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

}  // namespace skylark::platform::win32

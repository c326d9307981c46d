#include "tests/support/child_process_win32.h"

#include <windows.h>

#include <string>

namespace skylark::wintest {
namespace {

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

int RunThisProgram(std::u16string_view gtestFilter, std::u16string_view name, std::u16string_view value) {
  wchar_t exe[MAX_PATH] = {};
  if (::GetModuleFileNameW(nullptr, exe, MAX_PATH) == 0) return -1;
  std::wstring commandLine = L"\"" + std::wstring(exe) + L"\" --gtest_filter=" + Wide(gtestFilter);
  const std::wstring variable = Wide(name);
  ::SetEnvironmentVariableW(variable.c_str(), Wide(value).c_str());

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const bool started = ::CreateProcessW(exe, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                        &startup, &process) != FALSE;
  ::SetEnvironmentVariableW(variable.c_str(), nullptr);
  if (!started) return -1;

  int result = -1;
  if (::WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0) {
    DWORD code = 0;
    if (::GetExitCodeProcess(process.hProcess, &code)) result = static_cast<int>(code);
  } else {
    ::TerminateProcess(process.hProcess, 1);
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return result;
}

std::u16string ChildArgument(std::u16string_view name) {
  const std::wstring variable = Wide(name);
  wchar_t value[512] = {};
  const DWORD length = ::GetEnvironmentVariableW(variable.c_str(), value, 512);
  if (length == 0 || length >= 512) return {};
  return std::u16string(value, value + length);
}

}  // namespace skylark::wintest

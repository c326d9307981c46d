// skylark-port-removed COMn: tells every top-level window that port COMn's device has gone, as
// Windows does when a USB serial adapter is pulled out. scripts/test-windows pulls the simulated
// receiver's adapter with it; under Wine a hung-up terminal only ever reads nothing.
#include <windows.h>

#include <dbt.h>
#include <shellapi.h>

#include "tests/win32_ui/sheet_driver_win32.h"

int main() {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (argv == nullptr || argc != 2) return 2;
  skylark::wintest::SendPortChange(HWND_BROADCAST, argv[1], DBT_DEVICEREMOVECOMPLETE);
  ::LocalFree(argv);
  return 0;
}

#pragma once

#include <windows.h>

namespace skylark::win32ui {

// The DPI a window is drawn at. Windows 10 1607 and later tell it per monitor; earlier ones
// (down to Windows 7) draw everything at the one system DPI, which the screen's device context
// gives. The newer calls are looked up as the program runs, so that it still starts there.
UINT WindowDpi(HWND window);
// A system metric (SM_CXVSCROLL, ...) at that DPI.
int MetricForDpi(int index, UINT dpi);
// `value` pixels at 96 DPI, at `dpi`.
inline int ScaleForDpi(int value, UINT dpi) { return ::MulDiv(value, static_cast<int>(dpi), 96); }

}  // namespace skylark::win32ui

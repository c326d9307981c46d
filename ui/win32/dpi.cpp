#include "ui/win32/dpi.h"

namespace skylark::win32ui {
namespace {

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiCall = int(WINAPI*)(int, UINT);

// A function of user32 that this Windows may lack; null when it does.
template <typename Call>
Call User32Call(const char* name) {
  const FARPROC address = ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name);
  // Through the generic function type, which converts to any other without a warning.
  return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(address));
}

UINT SystemDpi() {
  const HDC screen = ::GetDC(nullptr);
  const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

}  // namespace

UINT WindowDpi(HWND window) {
  static const auto getDpiForWindow = User32Call<GetDpiForWindowCall>("GetDpiForWindow");
  if (getDpiForWindow != nullptr) {
    if (const UINT dpi = getDpiForWindow(window); dpi != 0) return dpi;
  }
  return SystemDpi();
}

int MetricForDpi(int index, UINT dpi) {
  static const auto getSystemMetricsForDpi = User32Call<GetSystemMetricsForDpiCall>("GetSystemMetricsForDpi");
  if (getSystemMetricsForDpi != nullptr) return getSystemMetricsForDpi(index, dpi);
  // The system's metrics are those of its own DPI.
  return ::MulDiv(::GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

}  // namespace skylark::win32ui

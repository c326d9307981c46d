#include "ui/win32/hidden_window.h"

#include <dbt.h>

#include "resources/strings.h"
#include "ui/win32/dialog_controls.h"

namespace skylark::win32ui {
namespace {

constexpr wchar_t kClassName[] = L"Corvane Navigation Beacon Class";

LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* target = reinterpret_cast<NotificationTarget*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    case WM_CLOSE:
      return 0;
    case kSiteChangedMessage:
      if (target != nullptr) target->onSiteChanged();
      return 0;
    case kStatusChangedMessage:
      if (target != nullptr) target->onStatusChanged();
      return 0;
    case WM_DEVICECHANGE:
      if (wParam == DBT_DEVICEREMOVECOMPLETE && lParam != 0 && target != nullptr &&
          reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam)->dbch_devicetype == DBT_DEVTYP_PORT) {
        target->onPortRemoved(Narrow16(reinterpret_cast<const DEV_BROADCAST_PORT_W*>(lParam)->dbcp_name));
      }
      return TRUE;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

bool RegisterHiddenWindowClass(HINSTANCE instance) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = HiddenWindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kClassName;
  return ::RegisterClassW(&windowClass) != 0;
}

HWND CreateHiddenWindow(HINSTANCE instance) {
  const std::wstring title = Wide(resources::LoadText(resources::kCaption));
  return ::CreateWindowExW(0, kClassName, title.c_str(), 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
}

void SetNotificationTarget(HWND hiddenWindow, NotificationTarget* target) {
  ::SetWindowLongPtrW(hiddenWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(target));
}

}  // namespace skylark::win32ui

#include "ui/win32/hidden_window.h"

#include <dbt.h>

#include <utility>

#include "app/application.h"
#include "resources/strings.h"
#include "ui/win32/dialog_controls.h"

namespace skylark::win32ui {
namespace {

constexpr wchar_t kClassName[] = L"Corvane Navigation Beacon Class";

std::function<void()> endSessionAction;

LRESULT CALLBACK HiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* target = reinterpret_cast<NotificationTarget*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    case WM_CLOSE:
      return 0;
    case WM_ENDSESSION:
      if (wParam != FALSE && endSessionAction) endSessionAction();
      return 0;
    case kSiteChangedMessage:
      if (target != nullptr) target->onSiteChanged();
      return 0;
    case kStatusChangedMessage:
      if (target != nullptr) target->onStatusChanged();
      return 0;
    case WM_DEVICECHANGE:
      if ((wParam == DBT_DEVICEREMOVECOMPLETE || wParam == DBT_DEVICEARRIVAL) && lParam != 0 && target != nullptr &&
          reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam)->dbch_devicetype == DBT_DEVTYP_PORT) {
        if (wParam == DBT_DEVICEARRIVAL) {
          target->onPortArrived();
        } else {
          target->onPortRemoved(Narrow16(reinterpret_cast<const DEV_BROADCAST_PORT_W*>(lParam)->dbcp_name));
        }
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

void AwaitEndingInstance(DWORD limitMs) {
  const std::wstring guard = Wide(kInstanceGuardName);
  const HANDLE mutex = ::OpenMutexW(SYNCHRONIZE, FALSE, guard.c_str());
  if (mutex == nullptr) return;
  if (::FindWindowW(kClassName, nullptr) == nullptr) {
    // Owned, or left behind when that process ends: either way it is free now, and given back
    // at once so that this process takes the guard as any first one does.
    const DWORD waited = ::WaitForSingleObject(mutex, limitMs);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) ::ReleaseMutex(mutex);
  }
  ::CloseHandle(mutex);
}

void SetEndSessionAction(std::function<void()> action) { endSessionAction = std::move(action); }

void SetNotificationTarget(HWND hiddenWindow, NotificationTarget* target) {
  ::SetWindowLongPtrW(hiddenWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(target));
}

}  // namespace skylark::win32ui

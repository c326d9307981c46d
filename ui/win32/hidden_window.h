#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string_view>

#include "app/notifications.h"

namespace skylark::win32ui {

// The private messages the worker threads post to the hidden window.
inline constexpr UINT kSiteChangedMessage = WM_USER;
inline constexpr UINT kStatusChangedMessage = WM_USER + 1;

// Where the hidden window delivers the two notifications, on the main thread.
class NotificationTarget {
 public:
  virtual ~NotificationTarget() = default;
  virtual void onSiteChanged() = 0;
  virtual void onStatusChanged() = 0;
  // Windows reported a serial port's device removed or added ("COM12").
  virtual void onPortRemoved(std::u16string_view device) = 0;
  virtual void onPortArrived() = 0;
};

// Registers the hidden window's class; false when that fails.
bool RegisterHiddenWindowClass(HINSTANCE instance);

// The never-shown top-level window that owns the sheet and receives the two notifications, and
// the arrivals and removals of serial ports that Windows broadcasts to every top-level window.
// WM_CLOSE leaves it alone; WM_DESTROY ends the message loop.
HWND CreateHiddenWindow(HINSTANCE instance);
// Start-up's wait for another Skylark that is ending: its sheet has closed and its hidden window
// is gone, but it holds the single-instance guard while it talks the receiver down (up to
// `limitMs`). Returns at once when no other Skylark holds the guard, or when one runs with its
// window, which the guard then turns this one away from. Call it before creating this process's
// own hidden window.
void AwaitEndingInstance(DWORD limitMs);
// Until set, a notification that arrives reaches nobody.
void SetNotificationTarget(HWND hiddenWindow, NotificationTarget* target);

// What to do when Windows ends the session (a logoff, a shutdown). It ends the process as soon as
// WM_ENDSESSION has been answered, so the port is put back and its lock released first, there.
void SetEndSessionAction(std::function<void()> action);

// Posts the two notifications to the hidden window: never waits for the main thread, and posts
// nothing while there is no window.
class WindowNotifications final : public Notifications {
 public:
  void SetWindow(HWND window) { window_.store(window); }
  void PostSiteChanged() override { Post(kSiteChangedMessage); }
  void PostStatusChanged() override { Post(kStatusChangedMessage); }

 private:
  void Post(UINT message) {
    if (const HWND window = window_.load()) ::PostMessageW(window, message, 0, 0);
  }

  std::atomic<HWND> window_{nullptr};
};

}  // namespace skylark::win32ui

#include "ui/win32/dialog_controls.h"

#include <commctrl.h>

#include <algorithm>

#include "resources/strings.h"
#include "ui/win32/resource_ids.h"

namespace skylark::win32ui {
namespace {

std::u16string ListText(HWND list, int index) {
  const LRESULT length = ::SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  ::SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return Narrow16(text);
}

bool ListHolds(HWND list, const std::vector<std::u16string>& entries) {
  if (::SendMessageW(list, CB_GETCOUNT, 0, 0) != static_cast<LRESULT>(entries.size())) return false;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (ListText(list, static_cast<int>(i)) != entries[i]) return false;
  }
  return true;
}

// The width an open list needs for its longest entry, with its margins and scroll bar.
int DroppedWidth(HWND list, const std::vector<std::u16string>& entries) {
  const HDC dc = ::GetDC(list);
  const HGDIOBJ oldFont = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0)));
  int widest = 0;
  for (const std::u16string& entry : entries) {
    SIZE size{};
    const std::wstring text = Wide(entry);
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    widest = std::max<int>(widest, size.cx);
  }
  ::SelectObject(dc, oldFont);
  ::ReleaseDC(list, dc);
  const UINT dpi = ::GetDpiForWindow(list);
  return widest + ::GetSystemMetricsForDpi(SM_CXVSCROLL, dpi) + ::MulDiv(8, static_cast<int>(dpi), 96);
}

// The owner the next message box is centred on; the box is this thread's, and only one is
// ever being opened at a time.
HWND centreOwner = nullptr;
HHOOK centreHook = nullptr;

// A message box opens centred on the screen; as it is first activated it moves over its owner.
LRESULT CALLBACK CentreOnOwner(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && centreOwner != nullptr) {
    const auto box = reinterpret_cast<HWND>(wParam);
    RECT boxArea{};
    RECT ownerArea{};
    if (::GetWindowRect(box, &boxArea) && ::GetWindowRect(centreOwner, &ownerArea)) {
      const int width = boxArea.right - boxArea.left;
      const int height = boxArea.bottom - boxArea.top;
      MONITORINFO monitor{};
      monitor.cbSize = sizeof(monitor);
      ::GetMonitorInfoW(::MonitorFromWindow(centreOwner, MONITOR_DEFAULTTONEAREST), &monitor);
      const RECT& work = monitor.rcWork;
      // Whole on the owner's screen even when the owner is partly off it.
      const int x = std::clamp<int>((ownerArea.left + ownerArea.right - width) / 2, work.left,
                                    std::max<int>(work.left, work.right - width));
      const int y = std::clamp<int>((ownerArea.top + ownerArea.bottom - height) / 2, work.top,
                                    std::max<int>(work.top, work.bottom - height));
      ::SetWindowPos(box, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    centreOwner = nullptr;
  }
  return ::CallNextHookEx(centreHook, code, wParam, lParam);
}

}  // namespace

void SetControlText(HWND dialog, int id, std::u16string_view text) {
  ::SetDlgItemTextW(dialog, id, Wide(text).c_str());
}

void SetButtonText(HWND dialog, int id, std::u16string_view text, char16_t letter) {
  std::u16string caption(text);
  if (const auto at = caption.find(letter); at != std::u16string::npos) caption.insert(at, 1, u'&');
  SetControlText(dialog, id, caption);
}

void EnableControl(HWND dialog, int id, bool enabled) { ::EnableWindow(::GetDlgItem(dialog, id), enabled); }

bool IsChecked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void SetChecked(HWND dialog, int id, bool checked) {
  ::CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void ShowList(HWND dialog, int id, const rules::ListState& state) {
  const HWND list = ::GetDlgItem(dialog, id);
  const std::vector<std::u16string>& entries = state.entries;
  if (!ListHolds(list, entries)) {
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (const std::u16string& entry : entries) {
      // The order is the rules' own: added at the end, never sorted again here.
      ::SendMessageW(list, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(Wide(entry).c_str()));
    }
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
    RECT box{};
    ::GetWindowRect(list, &box);
    const int width = std::max<int>(box.right - box.left, DroppedWidth(list, entries));
    ::SendMessageW(list, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(width), 0);
  }
  ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(state.selected), 0);
  ::EnableWindow(list, state.enabled);
}

int SelectedIndex(HWND dialog, int id) {
  const LRESULT index = ::SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

void ShowOutcome(HWND owner, const rules::Outcome& outcome) {
  if (!outcome) return;
  const std::wstring caption = Wide(resources::LoadText(resources::kCaption));
  if (owner != nullptr) {
    centreOwner = owner;
    centreHook = ::SetWindowsHookExW(WH_CBT, CentreOnOwner, nullptr, ::GetCurrentThreadId());
  }
  // Task-modal without an owner: the box would otherwise leave a window usable behind it, and a
  // second click there would start an action inside the first one's message.
  ::MessageBoxW(owner, Wide(outcome->Shown()).c_str(), caption.c_str(),
                MB_OK | (owner == nullptr ? MB_TASKMODAL : MB_APPLMODAL));
  if (centreHook != nullptr) ::UnhookWindowsHookEx(centreHook);
  centreHook = nullptr;
  centreOwner = nullptr;
}

void ReturnFocus(HWND page, int id) {
  const HWND sheet = ::GetParent(page);
  HWND control = ::GetDlgItem(page, id);
  if (control != nullptr && !::IsWindowEnabled(control)) control = ::GetNextDlgTabItem(page, control, FALSE);
  // WM_NEXTDLGCTL, not SetFocus: the dialog manager then also makes a focused push button the
  // default one, so Enter presses it rather than OK.
  if (control != nullptr) ::SendMessageW(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

void ScalePicture(HWND page) {
  const HWND picture = ::GetDlgItem(page, IDC_PICTURE);
  if (picture == nullptr) return;
  RECT box{};
  ::GetClientRect(picture, &box);
  const auto bitmap = static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BEACON_MAST),
                                                        IMAGE_BITMAP, box.right, box.bottom, LR_CREATEDIBSECTION));
  if (bitmap == nullptr) return;
  const auto old = reinterpret_cast<HBITMAP>(
      ::SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  if (old != nullptr && old != bitmap) ::DeleteObject(old);
}

void ReleasePicture(HWND page) {
  const HWND picture = ::GetDlgItem(page, IDC_PICTURE);
  if (picture == nullptr) return;
  const auto old = reinterpret_cast<HBITMAP>(::SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, 0));
  if (old != nullptr) ::DeleteObject(old);
}

WaitCursor::WaitCursor() : previous_(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}

void WaitCursor::Restore() {
  if (!active_) return;
  active_ = false;
  ::SetCursor(previous_);
}

}  // namespace skylark::win32ui

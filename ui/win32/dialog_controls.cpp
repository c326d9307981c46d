#include "ui/win32/dialog_controls.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "resources/strings.h"
#include "ui/win32/dpi.h"
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
  const UINT dpi = WindowDpi(list);
  return widest + MetricForDpi(SM_CXVSCROLL, dpi) + ScaleForDpi(8, dpi);
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

void KeepFocus(HWND page, HWND focused) {
  if (page == nullptr || focused == nullptr || ::GetParent(focused) != page) return;
  // The page's controls in keyboard order: those Tab stops at, and of a group of radio buttons
  // the checked one, which is where Tab enters the group.
  std::vector<HWND> controls;
  std::vector<bool> takesFocus;
  int at = -1;
  for (HWND child = ::GetWindow(page, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
    const auto style = ::GetWindowLongPtrW(child, GWL_STYLE);
    const bool radio = (::SendMessageW(child, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
    const bool stop = radio ? ::SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED : (style & WS_TABSTOP) != 0;
    if (child != focused && (!stop || (style & WS_VISIBLE) == 0)) continue;
    if (child == focused) at = static_cast<int>(controls.size());
    controls.push_back(child);
    takesFocus.push_back((style & WS_VISIBLE) != 0 && ::IsWindowEnabled(child));
  }
  const HWND sheet = ::GetParent(page);
  const int next = rules::FocusAfterChange(takesFocus, at);
  if (next >= 0) {
    // WM_NEXTDLGCTL, not SetFocus: the dialog manager then also makes a focused push button the
    // default one, so Enter presses it rather than OK.
    ::SendMessageW(sheet, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(controls[static_cast<std::size_t>(next)]), TRUE);
  } else {
    // Nothing on the page takes it: the tabs do. Enter there presses the sheet's default button,
    // OK; the control that lost the focus becomes the default instead, and being disabled it
    // takes no Enter. Turning the page makes OK the default again.
    ::SendMessageW(sheet, DM_SETDEFID, static_cast<WPARAM>(::GetDlgCtrlID(focused)), 0);
    ::SetFocus(PropSheet_GetTabControl(sheet));
  }
}

void ReturnFocus(HWND page, int id) { KeepFocus(page, ::GetDlgItem(page, id)); }

void ScalePicture(HWND page) {
  const HWND picture = ::GetDlgItem(page, IDC_PICTURE);
  if (picture == nullptr) return;
  const HINSTANCE module = ::GetModuleHandleW(nullptr);
  BITMAP natural{};
  const auto original = static_cast<HBITMAP>(::LoadImageW(module, MAKEINTRESOURCEW(IDB_BEACON_MAST), IMAGE_BITMAP, 0, 0, 0));
  if (original == nullptr) return;
  ::GetObjectW(original, sizeof(natural), &natural);
  ::DeleteObject(original);
  if (natural.bmWidth <= 0 || natural.bmHeight <= 0) return;
  // The largest picture of its own shape that fits the control's box, centred on the box's
  // foot: dialog units are not square, so the box alone would stretch it.
  RECT box{};
  ::GetWindowRect(picture, &box);
  ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&box), 2);
  const int boxWidth = box.right - box.left;
  const int boxHeight = box.bottom - box.top;
  int width = boxWidth;
  int height = ::MulDiv(width, natural.bmHeight, natural.bmWidth);
  if (height > boxHeight) {
    height = boxHeight;
    width = ::MulDiv(height, natural.bmWidth, natural.bmHeight);
  }
  if (width <= 0 || height <= 0) return;
  ::SetWindowPos(picture, nullptr, box.left + (boxWidth - width) / 2, box.bottom - height, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  const auto bitmap = static_cast<HBITMAP>(
      ::LoadImageW(module, MAKEINTRESOURCEW(IDB_BEACON_MAST), IMAGE_BITMAP, width, height, LR_CREATEDIBSECTION));
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

void ShowCutTexts(HWND page, HWND& tips, std::span<const int> fields) {
  if (tips == nullptr) {
    tips = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, page, nullptr, nullptr, nullptr);
    if (tips == nullptr) return;
    for (const int id : fields) {
      TTTOOLINFOW tool{};
      tool.cbSize = sizeof(tool);
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = page;
      tool.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(page, id));
      tool.lpszText = const_cast<wchar_t*>(L"");
      ::SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }
  for (const int id : fields) {
    const HWND field = ::GetDlgItem(page, id);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(field)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(field, text.data(), static_cast<int>(text.size()))));
    RECT area{};
    ::GetClientRect(field, &area);
    const HDC dc = ::GetDC(field);
    const HGDIOBJ oldFont = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(field, WM_GETFONT, 0, 0)));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, oldFont);
    ::ReleaseDC(field, dc);
    // An empty tip is never shown.
    if (size.cx <= area.right) text.clear();
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = page;
    tool.uId = reinterpret_cast<UINT_PTR>(field);
    tool.lpszText = text.data();
    ::SendMessageW(tips, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

WaitCursor::WaitCursor() : previous_(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}

void WaitCursor::Restore() {
  if (!active_) return;
  active_ = false;
  ::SetCursor(previous_);
}

}  // namespace skylark::win32ui

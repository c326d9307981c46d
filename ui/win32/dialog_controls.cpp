#include "ui/win32/dialog_controls.h"

#include "resources/strings.h"

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
  }
  ::SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(state.selected), 0);
  ::EnableWindow(list, state.enabled);
}

int SelectedIndex(HWND dialog, int id) {
  const LRESULT index = ::SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

void ShowOutcome(const rules::Outcome& outcome) {
  if (!outcome) return;
  const std::wstring caption = Wide(resources::LoadText(resources::kCaption));
  // Task-modal: with no owner the box would leave the sheet usable behind it, and a second
  // click there would start an action inside the first one's message.
  ::MessageBoxW(nullptr, Wide(outcome->Shown()).c_str(), caption.c_str(), MB_OK | MB_TASKMODAL);
}

WaitCursor::WaitCursor() : previous_(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}

void WaitCursor::Restore() {
  if (!active_) return;
  active_ = false;
  ::SetCursor(previous_);
}

}  // namespace skylark::win32ui

#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <string_view>

#include "platform/win32/wide.h"
#include "ui/rules/page_state.h"

// What the three pages share: reading and writing dialog controls in the core's texts, the
// message box and the wait cursor.
namespace skylark::win32ui {

using platform::win32::Narrow16;
using platform::win32::Wide;

void SetControlText(HWND dialog, int id, std::u16string_view text);
// A button's caption with the keyboard mnemonic on the first `letter` in it.
void SetButtonText(HWND dialog, int id, std::u16string_view text, char16_t letter);
void EnableControl(HWND dialog, int id, bool enabled);
bool IsChecked(HWND dialog, int id);
void SetChecked(HWND dialog, int id, bool checked);

// A drop-down list made to hold exactly the state's entries in that order, with its selection
// and enabling. Entries are rewritten only when they differ, so an open list does not jump. The
// open list is as wide as its longest entry, never narrower than its box.
void ShowList(HWND dialog, int id, const rules::ListState& state);
// The index the user chose; -1 when nothing is selected.
int SelectedIndex(HWND dialog, int id);

// The message box an action ends with, if any: owned by and centred on `owner` (the sheet; null
// before it exists), the application's caption, the icon (and sound) of its kind, only an OK
// button. Notifications posted meanwhile are delivered by its own message loop.
void ShowOutcome(HWND owner, const rules::Outcome& outcome);

// After a page action or a notification has changed what `page` enables: the keyboard focus
// stays on `focused` (the control that acted, or the one that had the focus before) while it
// takes the focus, else it moves on as the rules say. A disabled focused button would otherwise
// leave the focus nowhere and the sheet's OK as the default, so that the next Enter saved and
// closed. Does nothing when `focused` is not one of the page's controls.
void KeepFocus(HWND page, HWND focused);
// The same for the control `id` of the page.
void ReturnFocus(HWND page, int id);

// The picture at the foot of a page, as large as its control's box allows at the present DPI,
// keeping its shape; again after the DPI changed. ReleasePicture frees it when the page goes.
void ScalePicture(HWND page);
void ReleasePicture(HWND page);

// A tooltip over each of `fields` (controls of `page`) that shows its whole text while the field
// cuts it short with an ellipsis, and nothing while it fits. `tips` is created the first time.
void ShowCutTexts(HWND page, HWND& tips, std::span<const int> fields);

// The wait cursor for as long as the object lives.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor() { Restore(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  // Restores the previous cursor now, before the object ends.
  void Restore();

 private:
  HCURSOR previous_;
  bool active_ = true;
};

}  // namespace skylark::win32ui

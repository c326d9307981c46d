#pragma once

#include <optional>
#include <string>
#include <vector>

// What a view shows of one control, and how a user action ends. Views copy these into their
// widgets after every call into the rules; they keep no state of their own.
namespace skylark::rules {

// A drop-down list: its entries in the order shown and the selected one (-1: none).
struct ListState {
  std::vector<std::u16string> entries;
  int selected = -1;
  bool enabled = true;
};

// A push button: its caption (without a mnemonic; the view adds its own) and whether it is enabled.
struct ButtonState {
  std::u16string caption;
  bool enabled = true;
};

// The message box that ends an action: the string-table number and the text to show, already
// formatted. No value: the action ends without a message.
struct PageMessage {
  int stringId = 0;
  std::u16string text;
  // Why it failed, in the system's words ("Permission denied on ..."), shown after the text;
  // empty when there is nothing to add.
  std::u16string detail;

  // The text with its detail on a paragraph of its own, as the message box shows it.
  std::u16string Shown() const { return detail.empty() ? text : text + u"\n\n" + detail; }
};
using Outcome = std::optional<PageMessage>;

// Where the keyboard focus goes once a page action or a notification has changed what a page
// enables. `takesFocus` holds, for each of the page's controls in keyboard order, whether it
// takes the focus now; `focused` is the one that has it (-1: none of the page's). The focus
// stays while that control takes it; else it moves to the next one that does, coming round
// from the first. Never to the sheet's OK, which the next Enter would press, saving and closing
// the sheet: -1 when no control of the page takes it (the view then leaves the focus on the
// page tabs), or when the focus was not on the page.
int FocusAfterChange(const std::vector<bool>& takesFocus, int focused);

// The message `stringId`; none when the string table has no text for it.
Outcome MessageOf(int stringId);
// The message `stringId` with its %s filled in; none when the string table has no format for it.
Outcome FormattedMessageOf(int stringId, std::u16string_view argument);

}  // namespace skylark::rules

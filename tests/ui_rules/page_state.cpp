#include "ui/rules/page_state.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace {

using skylark::rules::FocusAfterChange;

// Which of a page's controls take the focus, in keyboard order: 'o' yes, '-' no.
std::vector<bool> Controls(std::string_view shown) {
  std::vector<bool> takes;
  for (const char c : shown) takes.push_back(c == 'o');
  return takes;
}

// The focus stays while it can, moves on and round to the next control that takes it, and is
// nobody's (the page tabs', never OK's) when none does or it was not on the page.
TEST(FocusAfterChange, StaysMovesOnOrComesRoundButNeverLeavesThePage) {
  const struct {
    const char* controls;
    int focused;
    int expected;
  } cases[] = {
      {"ooo", 1, 1},   // still enabled: it stays
      {"o-o", 1, 2},   // Test disabled under an open port: the next one
      {"oo-", 2, 0},   // Tune disabled, last on the page: round to the first
      {"-o--", 3, 1},  // round, past the disabled ones
      {"---", 2, -1},  // a lost port leaves nothing on the Tune page
      {"ooo", -1, -1}, // the focus was on OK or the tabs
      {"", 0, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FocusAfterChange(Controls(c.controls), c.focused), c.expected) << c.controls << " " << c.focused;
  }
}

}  // namespace

#include "ui/rules/page_state.h"

#include <gtest/gtest.h>

#include <vector>

#include "resources/strings.h"

namespace {

using skylark::rules::FocusAfterChange;

// Legend: which of a page's controls take the focus, in keyboard order ('o' yes, '-' no), and
// which one had it.
std::vector<bool> Controls(const char* shown) {
  std::vector<bool> takes;
  for (; *shown != '\0'; ++shown) takes.push_back(*shown == 'o');
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

// Failures show as errors, losses as warnings, the rest as information.
TEST(MessageKind, EachMessageShowsTheOutcomeItTells) {
  using skylark::rules::KindOf;
  using skylark::rules::MessageKind;
  namespace r = skylark::resources;
  const struct {
    int stringId;
    MessageKind kind;
  } cases[] = {
      {r::kTuneSucceeded, MessageKind::Information}, {r::kTuneFailed, MessageKind::Error},
      {r::kAbleToOpen, MessageKind::Information},    {r::kFailedToOpen, MessageKind::Error},
      {r::kBeaconConnected, MessageKind::Information}, {r::kPortClosedFor, MessageKind::Information},
      {r::kSiteFileOpenFailed, MessageKind::Error},  {r::kSiteNotTunable, MessageKind::Error},
      {r::kPortLost, MessageKind::Warning},          {r::kSettingsNotSaved, MessageKind::Warning},
  };
  for (const auto& c : cases) EXPECT_EQ(KindOf(c.stringId), c.kind) << c.stringId;
}

}  // namespace

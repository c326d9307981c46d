#include "ui/rules/sorted_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using skylark::rules::SortedList;

namespace {

SortedList ListOf(const std::vector<std::u16string>& texts) {
  SortedList list;
  list.ResetWithBlank();
  std::uintptr_t data = 1;
  for (const auto& text : texts) list.AddSorted(text, data++);
  return list;
}

// Sorted and chosen by whole text, case folded (Latin-1 too); equals keep their order and the
// first of them is chosen; a text the list lacks chooses the blank.
TEST(SortedList, SortsAndSelectsIgnoringCaseKeepingEqualsInTheirOrder) {
  SortedList list = ListOf({u"Skagen", u"blavand", u"SKAGEN", u"\u00C5rhus", u"aalborg"});
  EXPECT_EQ(list.Texts(), (std::vector<std::u16string>{u"", u"aalborg", u"blavand", u"Skagen",
                                                       u"SKAGEN", u"\u00C5rhus"}));
  const struct {
    std::u16string text;
    int selected;
    std::uintptr_t data;
  } selections[] = {{u"SKAGEN", 3, 1},  // the first of equals, though the second has this case
                    {u"\u00E5RHUS", 5, 4}, {u"313.7", 0, 0}};
  for (const auto& c : selections) {
    list.SelectByText(c.text);
    EXPECT_EQ(list.Selected(), c.selected);
    EXPECT_EQ(list.SelectedData(), c.data);
  }
  SortedList empty;
  empty.SelectByText(u"Asia");
  EXPECT_EQ(empty.Selected(), -1);
  EXPECT_EQ(empty.SelectedData(), 0u);
}

}  // namespace

#include "ui/rules/sorted_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using skylark::rules::SortedList;

namespace {

// Each entry stands for its place in `texts`, counted from 1.
SortedList<int> ListOf(const std::vector<std::u16string>& texts) {
  SortedList<int> list;
  list.ResetWithBlank();
  int item = 1;
  for (const auto& text : texts) list.AddSorted(text, item++);
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
    int item;
  } selections[] = {{u"SKAGEN", 3, 1},  // the first of equals, though the second has this case
                    {u"\u00E5RHUS", 5, 4}, {u"313.7", 0, 0}};
  for (const auto& c : selections) {
    list.SelectByText(c.text);
    EXPECT_EQ(list.Selected(), c.selected);
    EXPECT_EQ(list.SelectedItem(), c.item);
  }
  SortedList<const int*> empty;
  empty.SelectByText(u"Asia");
  EXPECT_EQ(empty.Selected(), -1);
  EXPECT_EQ(empty.SelectedItem(), nullptr);
}

}  // namespace

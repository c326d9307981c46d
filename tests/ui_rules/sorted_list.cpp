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

TEST(SortedList, SortsIgnoringCaseAndKeepsEqualsInTheirOrder) {
  const SortedList list = ListOf({u"Skagen", u"blavand", u"SKAGEN", u"\u00C5rhus", u"aalborg"});
  EXPECT_EQ(list.Texts(), (std::vector<std::u16string>{u"", u"aalborg", u"blavand", u"Skagen",
                                                       u"SKAGEN", u"\u00C5rhus"}));
}

TEST(SortedList, SelectsByWholeTextIgnoringCase) {
  const struct {
    const char* legend;
    std::vector<std::u16string> entries;
    std::u16string text;
    int selected;
    std::uintptr_t data;
  } cases[] = {
      {"ignores case", {u"Asia", u"Europe"}, u"EUROPE", 2, 2},
      {"Latin-1 capitals", {u"\u00E5rhus"}, u"\u00C5RHUS", 1, 1},
      {"first of equals", {u"europe", u"Europe"}, u"Europe", 1, 1},
      {"off the grid", {u"283.5"}, u"313.7", 0, 0},
  };
  for (const auto& c : cases) {
    SortedList list = ListOf(c.entries);
    list.SelectByText(c.text);
    EXPECT_EQ(list.Selected(), c.selected) << c.legend;
    EXPECT_EQ(list.SelectedData(), c.data) << c.legend;
  }
  SortedList empty;
  empty.SelectByText(u"Asia");
  EXPECT_EQ(empty.Selected(), -1);
  EXPECT_EQ(empty.SelectedData(), 0u);
}

}  // namespace

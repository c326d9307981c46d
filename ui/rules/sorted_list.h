#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/rules/page_state.h"

namespace skylark::rules {

// A drop-down list that keeps its entries sorted without regard to case, each entry carrying
// one data value, searched by whole text; the Tune page's five lists.
class SortedList {
 public:
  // Empties the list and adds the blank entry (text "", data 0), which sorts first; nothing
  // is selected.
  void ResetWithBlank();
  // Empties the list altogether.
  void Clear();

  // Adds an entry at its place in case-insensitive order, after any entries that compare
  // equal, so that equal texts keep the order they were added in.
  void AddSorted(std::u16string_view text, std::uintptr_t data);

  // Selects the entry whose whole text equals `text` ignoring case: the search starts at the
  // second entry and tests the blank first entry last; no match selects the first entry. An
  // empty list stays as it is.
  void SelectByText(std::u16string_view text);
  // The user's choice; an index outside the list selects nothing.
  void Select(int index);

  int Selected() const { return selected_; }
  // The selected entry's data; 0 when nothing is selected.
  std::uintptr_t SelectedData() const;
  std::size_t Count() const { return texts_.size(); }
  const std::vector<std::u16string>& Texts() const { return texts_; }

  ListState State(bool enabled) const { return {texts_, selected_, enabled}; }

 private:
  std::vector<std::u16string> texts_;
  std::vector<std::uintptr_t> data_;
  int selected_ = -1;
};

// Compares two texts ignoring the case of ASCII and Latin-1 letters (the site file's texts are
// Latin-1 widened one to one): below, equal or above zero.
int CompareIgnoringCase(std::u16string_view a, std::u16string_view b);

}  // namespace skylark::rules

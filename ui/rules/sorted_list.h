#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/rules/page_state.h"

namespace skylark::rules {

// The texts of a drop-down list, kept sorted without regard to case, and the entry selected;
// searched by whole text. SortedList adds what each entry stands for.
class SortedTexts {
 public:
  // Selects the entry whose whole text equals `text` ignoring case: the search starts at the
  // second entry and tests the blank first entry last; no match selects the first entry. An
  // empty list stays as it is.
  void SelectByText(std::u16string_view text);
  // The user's choice; an index outside the list selects nothing.
  void Select(int index);

  int Selected() const { return selected_; }
  std::size_t Count() const { return texts_.size(); }
  const std::vector<std::u16string>& Texts() const { return texts_; }

  ListState State(bool enabled) const { return {texts_, selected_, enabled}; }

 protected:
  // Puts `text` at its place in case-insensitive order, after any entries that compare equal,
  // so that equal texts keep the order they were added in; returns where it went.
  std::size_t InsertSorted(std::u16string_view text);
  void ClearTexts();

 private:
  std::vector<std::u16string> texts_;
  int selected_ = -1;
};

// A drop-down list whose entries each stand for an `Item`: a site record, a country's sites, a
// frequency. The blank entry stands for `Item{}` (no record, no frequency).
template <typename Item>
class SortedList : public SortedTexts {
 public:
  // Empties the list and adds the blank entry, which sorts first; nothing is selected.
  void ResetWithBlank() {
    Clear();
    AddSorted({}, Item{});
  }
  // Empties the list altogether.
  void Clear() {
    ClearTexts();
    items_.clear();
  }
  void AddSorted(std::u16string_view text, Item item) {
    const std::size_t at = InsertSorted(text);
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
  }
  // What the selected entry stands for; `Item{}` when nothing is selected.
  Item SelectedItem() const { return Selected() < 0 ? Item{} : items_[static_cast<std::size_t>(Selected())]; }

 private:
  std::vector<Item> items_;
};

// Compares two texts ignoring the case of ASCII and Latin-1 letters (the site file's texts are
// Latin-1 widened one to one): below, equal or above zero.
int CompareIgnoringCase(std::u16string_view a, std::u16string_view b);

}  // namespace skylark::rules

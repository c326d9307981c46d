#include "ui/rules/sorted_list.h"

#include <algorithm>

namespace skylark::rules {
namespace {

char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
  // Latin-1 capitals À to Þ, except the multiplication sign.
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
  return c;
}

}  // namespace

int CompareIgnoringCase(std::u16string_view a, std::u16string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const char16_t x = FoldCase(a[i]);
    const char16_t y = FoldCase(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

void SortedTexts::ClearTexts() {
  texts_.clear();
  selected_ = -1;
}

std::size_t SortedTexts::InsertSorted(std::u16string_view text) {
  const auto at = std::upper_bound(texts_.begin(), texts_.end(), text,
                                   [](std::u16string_view value, const std::u16string& entry) {
                                     return CompareIgnoringCase(value, entry) < 0;
                                   });
  const auto index = at - texts_.begin();
  if (selected_ >= index) ++selected_;
  texts_.insert(at, std::u16string(text));
  return static_cast<std::size_t>(index);
}

void SortedTexts::SelectByText(std::u16string_view text) {
  const int count = static_cast<int>(texts_.size());
  if (count == 0) return;
  for (int i = 1; i <= count; ++i) {
    const int index = i % count;
    if (CompareIgnoringCase(texts_[index], text) == 0) {
      selected_ = index;
      return;
    }
  }
  selected_ = 0;
}

void SortedTexts::Select(int index) {
  selected_ = index >= 0 && index < static_cast<int>(texts_.size()) ? index : -1;
}

}  // namespace skylark::rules

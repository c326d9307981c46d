#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace skylark {

// An ordered list of owned texts: port names, reply fields and the monitor's line queue.
class TextList {
 public:
  void Append(std::u16string_view text) { texts_.emplace_back(text); }
  std::size_t Count() const { return texts_.size(); }
  bool Empty() const { return texts_.empty(); }
  const std::u16string& First() const { return texts_.front(); }
  // Removes the first text into `text`; false when the list is empty.
  bool TakeFirst(std::u16string& text) {
    if (texts_.empty()) return false;
    text = std::move(texts_.front());
    texts_.pop_front();
    return true;
  }
  void Clear() { texts_.clear(); }

  auto begin() const { return texts_.begin(); }
  auto end() const { return texts_.end(); }

 private:
  std::deque<std::u16string> texts_;
};

}  // namespace skylark

#include "ui/rules/page_state.h"

#include "resources/strings.h"

namespace skylark::rules {

int FocusAfterChange(const std::vector<bool>& takesFocus, int focused) {
  const int count = static_cast<int>(takesFocus.size());
  if (focused < 0 || focused >= count) return -1;
  for (int step = 0; step < count; ++step) {
    const int at = (focused + step) % count;
    if (takesFocus[static_cast<std::size_t>(at)]) return at;
  }
  return -1;
}

Outcome MessageOf(int stringId) {
  const std::u16string_view text = resources::LoadText(stringId);
  if (text.empty()) return std::nullopt;
  return PageMessage{stringId, std::u16string(text), {}};
}

Outcome FormattedMessageOf(int stringId, std::u16string_view argument) {
  if (resources::LoadText(stringId).empty()) return std::nullopt;
  return PageMessage{stringId, resources::FormatText(stringId, argument), {}};
}

}  // namespace skylark::rules

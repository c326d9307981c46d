#include "ui/rules/page_state.h"

#include "resources/strings.h"

namespace skylark::rules {

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

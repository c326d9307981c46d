#include "platform/posix/runtime_name.h"

#include <cstdio>

#include "platform/posix/paths.h"

namespace skylark::platform::posix {

std::string RuntimeFilePath(std::u16string_view name, std::string_view suffix) {
  if (name.empty()) return {};
  std::string file;
  for (const char16_t c : name) {
    const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                       c == u'_' || c == u'-' || (c == u'.' && !file.empty());
    if (plain) {
      file += static_cast<char>(c);
    } else {
      char code[8];
      std::snprintf(code, sizeof code, "%%%04X", static_cast<unsigned>(c));
      file += code;
    }
  }
  const std::string dir = RuntimeDirectory();
  if (dir.empty()) return {};
  return dir + "/" + file + std::string(suffix);
}

}  // namespace skylark::platform::posix

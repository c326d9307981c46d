#pragma once

#include <string>
#include <string_view>

namespace skylark::platform::posix {

// The path in the runtime directory of the file that stands for a named event or guard: letters,
// digits, '_', '-' and '.' are kept, every other character becomes %XXXX, so that two names
// never share a file and no name can climb out of the directory. Empty when there is no runtime
// directory or the name is empty.
std::string RuntimeFilePath(std::u16string_view name, std::string_view suffix);

}  // namespace skylark::platform::posix

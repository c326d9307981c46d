#pragma once

#include <memory>
#include <string>

#include "platform/settings_store.h"

namespace skylark::platform::posix {

// A settings store kept in one UTF-8 text file: a "[key path]" line opens each key's section and
// every value is a line "Name=dword:28390" or "Name=sz:Europe" (a text escapes \, CR and LF as
// \\, \r and \n). Each write rewrites the whole file through a temporary file and a rename, so the
// file is always either the old or the new one; lines it does not write are kept as they stand.
std::unique_ptr<SettingsStore> OpenSettingsFile(const std::string& path);

}  // namespace skylark::platform::posix

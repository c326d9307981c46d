#include "platform/settings_store.h"

#include "platform/posix/paths.h"
#include "platform/posix/settings_file.h"

namespace skylark::platform {

// Every key path lives in its own section of the one file, so nothing is created until the first
// write: reading a missing file simply yields no values.
std::unique_ptr<SettingsStore> OpenMachineSettings() {
  return posix::OpenSettingsFile(posix::ConfigDirectory() + "/settings");
}

}  // namespace skylark::platform

#pragma once

#include <memory>

#include "platform/settings_store.h"

namespace skylark::platform {

// The registry store as OpenMachineSettings gives it, or, with `machineWritable` false, one that
// treats every write to HKEY_LOCAL_MACHINE as denied, as it is for a standard account.
std::unique_ptr<SettingsStore> OpenRegistrySettings(bool machineWritable);

}  // namespace skylark::platform

#include "receiver/scan_ports.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/port_devices.h"

#include "resources/strings.h"

namespace skylark {
namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 9;

// COM1: to COM9:, then the ports present beyond them.
std::vector<std::u16string> PortNames() {
  std::vector<std::u16string> names;
  for (int n = kFirstPort; n <= kLastPort; ++n) {
    names.push_back(u"COM" + std::u16string(1, static_cast<char16_t>(u'0' + n)) + u":");
  }
  for (std::u16string& name : platform::PortNamesBeyondNine()) names.push_back(std::move(name));
  return names;
}

// Opens the name on a throw-away port with the receiver's settings and closes it again.
bool Probe(std::u16string_view name, AccessMode access) {
  SerialPort probe(u"COM1:");
  if (!probe.Open(name, access)) return false;
  probe.Close();
  return true;
}

}  // namespace

void ScanPorts(std::u16string_view currentName, bool currentOpen, AccessMode currentAccess,
               TextList& inputNames, TextList& outputNames) {
  for (const std::u16string& name : PortNames()) {
    if (platform::IsConsole(name)) continue;
    // The port the link holds cannot be probed: an open is exclusive.
    const bool held = currentOpen && currentName == name;
    if ((held && currentAccess == AccessMode::ReadWrite) || Probe(name, AccessMode::ReadWrite)) {
      inputNames.Append(name);
      outputNames.Append(name);
    } else if ((held && currentAccess == AccessMode::Read) || Probe(name, AccessMode::Read)) {
      inputNames.Append(name);
    } else if ((held && currentAccess == AccessMode::Write) || Probe(name, AccessMode::Write)) {
      outputNames.Append(name);
    }
  }
}

void ListPortNames(TextList& names) {
  for (const std::u16string& name : PortNames()) names.Append(name);
}

std::u16string_view AccessWord(AccessMode access) {
  switch (access) {
    case AccessMode::Read: return resources::LoadText(resources::kAccessReading);
    case AccessMode::Write: return resources::LoadText(resources::kAccessWriting);
    case AccessMode::ReadWrite: return resources::LoadText(resources::kAccessReadingWriting);
  }
  return resources::LoadText(resources::kAccessOther);
}

}  // namespace skylark

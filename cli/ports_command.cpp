#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/status_text.h"
#include "cli/commands.h"
#include "platform/port_devices.h"
#include "platform/serial_line.h"
#include "receiver/scan_ports.h"
#include "resources/strings.h"

namespace skylark::cli {
namespace {

struct PortsOptions {
  std::string name;
  std::string device;
  bool probe = false;
};

// Opens the port through the normal open path (the lock, the device), asks it for a receiver as
// scan --probe does, and says what answered; for a port that does not open, why not.
std::u16string ProbePort(const std::u16string& name) {
  if (platform::IsConsole(name)) return resources::FormatText(resources::kConsoleNotProbed, platform::PortDevice(name));
  if (const std::optional<ProbeAnswer> answer = ProbeReceiver(name, AccessMode::ReadWrite)) {
    return std::u16string(resources::LoadText(resources::kPortOpens)) + resources::FromUtf8(ReceiverNote(answer));
  }
  platform::LineError failure;
  auto line = platform::OpenSerialLine(name, platform::AccessMode::ReadWrite, &failure);
  if (!line) return LineErrorText(failure);
  line->Close();
  return std::u16string(resources::LoadText(resources::kPortOpens));
}

// "free", or why the port would not open; found without opening it.
std::u16string Availability(const std::u16string& name) {
  const std::optional<platform::LineError> failure = platform::PortAvailability(name);
  return failure ? LineErrorText(*failure) : std::u16string(resources::LoadText(resources::kPortFree));
}

// Without --probe no port is opened: an open alone raises DTR and RTS, which resets boards that
// wire DTR to reset and disturbs whatever is idle on the line.
int ListPorts(bool probe) {
  TextList names;
  ListPortNames(names);
  const std::vector<platform::SerialDevice> devices = platform::ListSerialDevices();
  for (const std::u16string& name : names) {
    const std::u16string shown = platform::PortDevice(name);
    const std::u16string node = platform::PortDeviceNode(name);
    // "COM4: -> /dev/ttyS3: free"; a device by its own name, "/dev/serial/by-id/usb-... (/dev/ttyUSB0)
    // [FT232R USB UART]: free"; where names are the devices' own, "COM4: free".
    std::cout << resources::ToUtf8(name);
    if (!shown.empty() && shown != name) std::cout << " -> " << resources::ToUtf8(shown);
    if (!node.empty() && node != shown) std::cout << " (" << resources::ToUtf8(node) << ')';
    for (const platform::SerialDevice& device : devices) {
      if ((device.node == name || device.stableName == name) && !device.description.empty()) {
        std::cout << " [" << resources::ToUtf8(device.description) << ']';
      }
    }
    std::cout << (shown.empty() ? " " : ": ") << resources::ToUtf8(probe ? ProbePort(name) : Availability(name)) << '\n';
  }
  return 0;
}

int Link(const PortsOptions& options) {
  std::u16string result;
  std::optional<platform::LineError> missing;
  const std::u16string name = resources::FromUtf8(options.name);
  if (!platform::LinkPortName(name, resources::FromUtf8(options.device), result, missing)) {
    std::cerr << resources::ToUtf8(missing ? LineErrorText(*missing) : result) << '\n';
    return 2;  // as for any port that cannot be used
  }
  std::cout << options.name << (options.name.back() == ':' ? "" : ":") << " -> "
            << resources::ToUtf8(result) << '\n';
  return 0;
}

int Unlink(const PortsOptions& options) {
  std::u16string result;
  if (!platform::UnlinkPortName(resources::FromUtf8(options.name), result)) {
    std::cerr << resources::ToUtf8(result) << '\n';
    return 2;  // as for a link that cannot be made
  }
  std::cout << options.name << (options.name.back() == ':' ? "" : ":") << " -> "
            << Words(resources::kDefaultDevice, {result}) << '\n';
  return 0;
}

}  // namespace

void AddPortsCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<PortsOptions>();
  CLI::App* command = app.add_subcommand(
      "ports", "Show each of COM1: to COM9: and the device it reaches, then the serial devices present "
      "(on Windows the ports beyond COM9:)");
  CLI::App* link = command->add_subcommand("link", "Make a port name reach a device");
  link->add_option("name", options->name, "COM1 to COM9")->required();
  link->add_option("device", options->device, "The device, for example /dev/ttyUSB0")->required();
  link->callback([options, &exitStatus] { exitStatus = Link(*options); });
  CLI::App* unlink = command->add_subcommand("unlink", "Let a port name reach its default device again");
  unlink->add_option("name", options->name, "COM1 to COM9")->required();
  unlink->callback([options, &exitStatus] { exitStatus = Unlink(*options); });
  command->add_flag("--probe", options->probe, "Open each port and ask it for a receiver (toggles DTR and RTS; up to 1.5 s each)");
  command->require_subcommand(0, 1);
  command->callback([command, options, &exitStatus] {
    if (command->get_subcommands().empty()) exitStatus = ListPorts(options->probe);
  });
}

}  // namespace skylark::cli

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/status_text.h"
#include "receiver/receiver_probe.h"

#include "cli/commands.h"
#include "receiver/scan_ports.h"
#include "resources/strings.h"

namespace skylark::cli {
namespace {

bool Holds(const TextList& names, const std::u16string& name) {
  for (const std::u16string& entry : names) {
    if (entry == name) return true;
  }
  return false;
}

// The ports of the lists, unasked.
std::vector<PortProbe> AllPorts() {
  TextList names;
  ListPortNames(names);
  std::vector<PortProbe> ports;
  for (const std::u16string& name : names) ports.push_back({name, false, {}, {}});
  return ports;
}

}  // namespace

std::string ReceiverNote(const std::optional<ProbeAnswer>& answer) {
  if (!answer || !answer->answered) return "";
  if (answer->stationId == 0) return " " + Words(resources::kReceiverFound);
  return " " + Words(resources::kReceiverStation, {resources::FromUtf8(std::to_string(answer->stationId)),
                                                   FormatListFrequency(answer->frequency)});
}

namespace {

int RunScan(bool probe) {
  TextList inputs;
  TextList outputs;
  ScanPorts(u"", false, AccessMode::ReadWrite, inputs, outputs);
  // Every port is asked at once, as the Configuration page's Find Receiver asks them.
  const ReceiverSearch search = probe ? FindReceiver() : ReceiverSearch{};
  int found = 0;
  for (const PortProbe& port : search.ports.empty() ? AllPorts() : search.ports) {
    const std::u16string& name = port.name;
    const bool in = Holds(inputs, name);
    const bool out = Holds(outputs, name);
    if (!in && !out) continue;
    ++found;
    std::cout << resources::ToUtf8(name) << ' '
              << Words(in && out ? resources::kBothDirections : in ? resources::kInputOnly : resources::kOutputOnly)
              << ReceiverNote(port.answer) << '\n';
  }
  if (found == 0) std::cout << Words(resources::kNoPortOpens) << '\n';
  return 0;
}

}  // namespace

void AddScanCommand(CLI::App& app, int& exitStatus) {
  CLI::App* command = app.add_subcommand(
      "scan", "List the ports COM1: to COM9: that open: for both directions, input only or output only");
  auto probe = std::make_shared<bool>(false);
  command->add_flag("--probe", *probe,
                    "Ask every port at once for the receiver's status (up to 1.5 s) and mark those that answer");
  command->callback([probe, &exitStatus] { exitStatus = RunScan(*probe); });
}

}  // namespace skylark::cli

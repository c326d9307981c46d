#include <iostream>
#include <string>

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

int RunScan() {
  TextList inputs;
  TextList outputs;
  ScanPorts(u"", false, AccessMode::ReadWrite, inputs, outputs);
  TextList all;
  ListPortNames(all);
  int found = 0;
  for (const std::u16string& name : all) {
    const bool in = Holds(inputs, name);
    const bool out = Holds(outputs, name);
    if (!in && !out) continue;
    ++found;
    std::cout << resources::ToUtf8(name) << ' ' << (in && out ? "both" : in ? "input" : "output") << '\n';
  }
  if (found == 0) std::cout << "No port can be opened.\n";
  return 0;
}

}  // namespace

void AddScanCommand(CLI::App& app, int& exitStatus) {
  CLI::App* command = app.add_subcommand(
      "scan", "List the ports COM1: to COM9: that open: for both directions, input only or output only");
  command->callback([&exitStatus] { exitStatus = RunScan(); });
}

}  // namespace skylark::cli

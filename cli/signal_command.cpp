#include <memory>
#include <string>

#include "cli/commands.h"
#include "platform/events.h"
#include "receiver/receiver_monitor.h"
#include "resources/strings.h"

namespace skylark::cli {
namespace {

// Exit status when no running Skylark holds the event.
constexpr int kNotRunning = 2;

int RunSignal(const std::string& which) {
  const std::u16string_view name = which == "update" ? kUpdateEventName : kTerminateEventName;
  if (platform::SignalNamedEvent(name)) return 0;
  Complain(resources::FormatText(resources::kNoRunningSkylark, name));
  return kNotRunning;
}

}  // namespace

void AddSignalCommand(CLI::App& app, int& exitStatus) {
  auto which = std::make_shared<std::string>();
  CLI::App* command = app.add_subcommand(
      "signal", "Ask the running Skylark for an immediate status poll (update) or to stop polling (terminate)");
  command->add_option("event", *which, "update or terminate")
      ->required()
      ->check(CLI::IsMember({"update", "terminate"}));
  command->callback([which, &exitStatus] { exitStatus = RunSignal(*which); });
}

}  // namespace skylark::cli

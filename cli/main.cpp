#include <CLI/CLI.hpp>

#include <atomic>
#include <iostream>

#include "cli/commands.h"
#include "platform/stop_requests.h"
#include "resources/strings.h"
#include "resources/version.h"

namespace skylark::cli {
namespace {

std::atomic_bool stopRequested{false};

}  // namespace

bool StopRequested() { return stopRequested.load(); }

std::string Words(int id) { return resources::ToUtf8(resources::LoadText(id)); }

std::string Words(int id, std::initializer_list<std::u16string_view> arguments) {
  return resources::ToUtf8(resources::FormatText(id, arguments));
}

void Complain(std::u16string_view message) { std::cerr << "skylark-cli: " << resources::ToUtf8(message) << std::endl; }

}  // namespace skylark::cli

int main(int argc, char** argv) {
  // A command that runs until stopped ends as at its end; one that ends by itself (tune, scan)
  // finishes first. Either way the port is put back and its lock released.
  skylark::platform::BlockStopRequests();
  skylark::platform::WatchStopRequests([] { skylark::cli::stopRequested.store(true); });
  CLI::App app{"Skylark: configures a DGPS radio-beacon receiver on a serial line"};
  app.set_version_flag("--version", "skylark-cli " SKYLARK_VERSION_TEXT);
  app.require_subcommand(1);
  int exitStatus = 0;
  skylark::cli::AddSitesCommand(app, exitStatus);
  skylark::cli::AddSignalCommand(app, exitStatus);
  skylark::cli::AddTuneCommand(app, exitStatus);
  skylark::cli::AddStatusCommand(app, exitStatus);
  skylark::cli::AddScanCommand(app, exitStatus);
  skylark::cli::AddPortsCommand(app, exitStatus);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    // --help ends here with 0; any usage error is a 2, not one of CLI11's own codes.
    return app.exit(error) == 0 ? 0 : 2;
  }
  return exitStatus;
}

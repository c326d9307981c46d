#include <CLI/CLI.hpp>

#include "cli/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"Skylark: configures a DGPS radio-beacon receiver on a serial line"};
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

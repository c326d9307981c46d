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
    return app.exit(error);
  }
  return exitStatus;
}

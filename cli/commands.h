#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <string_view>

#include "receiver/receiver_probe.h"

// Each subcommand of skylark-cli lives in its own file, cli/<name>_command.cpp, and adds itself
// to the program through one function declared here and called from main. Its callback runs
// the command and leaves the process's exit status in `exitStatus` (0 on success); expected
// failures are reported on stderr and through that status, never by exceptions.
namespace skylark::cli {

// A string-table entry, or one with its "%s" filled, as the terminal takes it (UTF-8).
std::string Words(int id);
std::string Words(int id, std::initializer_list<std::u16string_view> arguments);
// Says what went wrong on stderr as "skylark-cli: <message>", flushed.
void Complain(std::u16string_view message);

// True once the program was asked to end from outside (SIGINT, SIGTERM, SIGHUP; a console
// control event on Windows): a command that runs until stopped ends as at its own end.
bool StopRequested();

// skylark-cli sites [PATH] [--json] [--find-id N]: lists the beacon sites of a site file.
void AddSitesCommand(CLI::App& app, int& exitStatus);

// skylark-cli signal update|terminate: signals the running program's update or terminate event;
// exit status 2 when no running Skylark holds it.
void AddSignalCommand(CLI::App& app, int& exitStatus);

// skylark-cli tune --port COMn: (--auto | --frequency KHZ --rate BPS | --site R/C/B | --station ID)
// [--interval N] [--sites PATH]: tunes as the Tune page does; 1 when the receiver did not
// acknowledge, 2 when the port cannot be opened or the site is unknown.
void AddTuneCommand(CLI::App& app, int& exitStatus);

// skylark-cli status --port COMn: [--count N] [--json] [--sites PATH]: the Status page's texts
// after every status reading, until N readings or Ctrl-C (or SIGTERM, SIGHUP); 2 when the port cannot be opened.
void AddStatusCommand(CLI::App& app, int& exitStatus);

// skylark-cli scan: which of COM1: to COM9: open, for both directions, input or output.
void AddScanCommand(CLI::App& app, int& exitStatus);

// What a probe heard, for scan --probe and ports --probe: " receiver (station 306, 300.0 kHz)",
// " receiver" for one that answered without a station report, "" for silence.
std::string ReceiverNote(const std::optional<ProbeAnswer>& answer);

// skylark-cli ports [link COMn DEVICE | unlink COMn]: the device each port name reaches and
// whether it opens, the serial devices none reaches; links and unlinks port names.
void AddPortsCommand(CLI::App& app, int& exitStatus);

}  // namespace skylark::cli

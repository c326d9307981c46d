#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <future>
#include <thread>
#include <fstream>
#include <regex>
#include <iterator>
#include <map>
#include <set>
#include <tuple>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/events.h"
#include "platform/serial_line.h"
#include "resources/version.h"
#include "tests/support/loopback.h"
#include "tests/support/pty.h"
#include "tests/support/sim_process.h"
#include "tests/support/xdg_dirs_posix.h"

namespace skylark {
namespace {

using Lines = std::vector<std::string>;
const std::string kData = SKYLARK_SOURCE_DIR "/data";

struct CliRun {
  int status = -1;
  Lines lines;  // standard output and error together
};

// Runs skylark-cli (the built one unless told) as a user would, from `directory`, in this
// process's (temporary) configuration directories.
CliRun Cli(const std::string& arguments, const std::string& program = SKYLARK_BINARY_DIR "/cli/skylark-cli",
           const std::string& directory = ".") {
  CliRun run;
  FILE* pipe = ::popen(("cd " + directory + " && " + program + " " + arguments + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  std::string out;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::istringstream text(out);
  for (std::string line; std::getline(text, line);) run.lines.push_back(line);
  return run;
}

struct CliCommand : ::testing::Test {
  testing::ScopedXdgDirs dirs_;
  testing::SimProcess sim_;
};

// The found and not-found exit statuses are the manual-page test's to show.
TEST_F(CliCommand, SitesSaysWhatWasFoundAndAnInstalledProgramFindsItsOwnSiteFile) {
  const CliRun hit = Cli("sites --json --find-id 736 " + kData);
  ASSERT_EQ(hit.lines.size(), 1u);
  EXPECT_EQ(nlohmann::json::parse(hit.lines[0]).at("beacon"), "G\xC3\xB6teborg");
  EXPECT_EQ(Cli("sites --find-id 1234 " + kData).lines, Lines{});
  const CliRun unopenable = Cli("sites " + dirs_.Root() + "/missing.csv");
  EXPECT_EQ(unopenable.status, 2);
  EXPECT_EQ(unopenable.lines, Lines{"Could not open Beacon Site file."});

  namespace fs = std::filesystem;
  const fs::path prefix = dirs_.Root() + "/prefix";
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share/skylark");
  fs::copy_file(SKYLARK_BINARY_DIR "/cli/skylark-cli", prefix / "bin/skylark-cli");
  fs::copy_file(kData + "/DGPSSites.csv", prefix / "share/skylark/DGPSSites.csv");
  // Run from a directory without a site file, so only the installed one can be found.
  const CliRun run = Cli("sites", (prefix / "bin/skylark-cli").string(), dirs_.Root());
  EXPECT_EQ(run.status, 0);
  ASSERT_FALSE(run.lines.empty());
  EXPECT_EQ(run.lines.back(), "364 sites");
}

TEST_F(CliCommand, TuneBySiteThenStatusShowsThePageTexts) {
  ASSERT_TRUE(sim_.Start({"--no-pacing", "--hear", "306", "--settle-ms", "0"}));
  const std::string sites = " --sites " + kData;
  const CliRun tune = Cli("tune --port COM4: --site 'North America/Canada/Sandspit'" + sites);
  EXPECT_EQ(tune.status, 0);
  EXPECT_EQ(tune.lines, Lines{"Beacon Tuned Successfully!"});
  EXPECT_TRUE(sim_.WaitForLog("RX $GPMSK,300.0,M,200,M,1", std::chrono::milliseconds(100)));
  // The first reading is printed at once; the station it made the command ask for shows after.
  const CliRun status = Cli("status --port COM4: --count 2 --json --identify" + sites);
  EXPECT_EQ(status.status, 0);
  ASSERT_EQ(status.lines.size(), 2u);
  EXPECT_EQ(nlohmann::json::parse(status.lines.back()).at("site"), "Sandspit");
  for (const auto& line : status.lines) {
    const auto reading = nlohmann::json::parse(line);
    EXPECT_EQ(std::tuple(reading.at("frequency"), reading.at("msk_rate"), reading.at("locked"), reading.at("state")),
              std::tuple("300.0 kHz", "200 bps", "Yes", "Receiving"));
    const std::string received = reading.at("received");  // ISO 8601 in UTC to the millisecond
    EXPECT_TRUE(std::regex_match(received, std::regex(R"(\d{4}(-\d\d){2}T\d\d(:\d\d){2}\.\d{3}Z)"))) << received;
  }
  EXPECT_LT(nlohmann::json::parse(status.lines[0]).at("received").get<std::string>(),
            nlohmann::json::parse(status.lines[1]).at("received").get<std::string>());
  // The text form labels the fields as the page does, also while the readings go to a signal log:
  // a row per reading, added to by the next run; a run killed in the middle leaves whole rows only.
  const std::string log = dirs_.Root() + "/route.csv";
  const CliRun text = Cli("status --port COM4: --count 2 --csv " + log + sites);
  ASSERT_EQ(text.status, 0);
  EXPECT_TRUE(text.lines.size() == 2 && text.lines[0].starts_with("Site: None | Frequency: 300.0 kHz | Minimum Shift "
                                                                  "Keying: 200 bps | Station ID: None | Locked: Yes | Signal Strength: "));
  EXPECT_TRUE(text.lines[0].ends_with(" | State: Receiving")) << text.lines[0];
  Cli("status --port COM4: --csv " + log, "timeout -s KILL 2.5 " SKYLARK_BINARY_DIR "/cli/skylark-cli");
  std::ifstream file(log, std::ios::binary);
  const std::string rows((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(rows.ends_with("\r\n"));
  const std::regex row(R"(\d{4}(-\d\d){2}T[\d:.]{12}Z,Receiving,None,0,300\.0,200,Yes,60,20)");
  std::size_t count = 0;
  for (std::size_t at = rows.find("\r\n") + 2; at < rows.size(); at = rows.find("\r\n", at) + 2, ++count) {
    const std::string line = rows.substr(at, rows.find("\r\n", at) - at);
    EXPECT_TRUE(std::regex_match(line, row)) << line;
  }
  EXPECT_GE(count, 3u);
}

// What the command line says of the line itself, played on a pseudo-terminal as COM5: every
// reading printed once and in order although the receiver never answers the station request; a
// line that makes no sentences; a line that echoes; a port lost in the middle of a watch.
TEST_F(CliCommand, StatusAndTuneSayWhatTheLineIs) {
  testing::PtyPair line;
  ASSERT_TRUE(testing::LinkPort(5, line.SlavePath()));
  const auto play = [&](auto each) {
    return std::async(std::launch::async, [&line, each] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the command opens the port
      for (int i = 1; i <= 8; ++i) {
        each(line, i);
        std::this_thread::sleep_for(std::chrono::milliseconds(250));  // 4 Hz
      }
    });
  };
  auto readings = play([](testing::PtyPair& pty, int i) {
    pty.Send("$CRMSS," + std::to_string(i) + "," + std::to_string(i < 3 ? 4 : 12) + ",300.0,200\r\n");
  });
  const CliRun status = Cli("status --port COM5: --count 8 --json --identify");
  readings.get();
  ASSERT_EQ(status.lines.size(), 8u);
  for (int i = 1; i <= 8; ++i) {
    EXPECT_EQ(nlohmann::json::parse(status.lines[i - 1]).at("signal_strength"), std::to_string(i));
  }

  auto noise = play([](testing::PtyPair& pty, int) { pty.Send("\x15\xa4\x7f\x02GPMSS9*\n"); });
  const CliRun wrongSpeed = Cli("status --port COM5: --timeout 1");
  noise.get();
  EXPECT_EQ(wrongSpeed.status, 1);
  ASSERT_FALSE(wrongSpeed.lines.empty());
  EXPECT_TRUE(std::regex_search(wrongSpeed.lines.back(), std::regex("no sentences in [0-9]+ bytes: wrong speed\\?")))
      << wrongSpeed.lines.back();

  line.Receive(4096, std::chrono::milliseconds(50));  // the station request of the first run
  auto echo = std::async(std::launch::async, [&line] {
    // Until the command opens the line, the pseudo-terminal reads as hung up.
    std::string got;
    for (int tries = 0; got.size() < 16 && tries < 250; ++tries) {
      got += line.Receive(16 - got.size(), std::chrono::milliseconds(20));
      if (got.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    line.Send(got);
    return got;
  });
  const CliRun echoed = Cli("tune --port COM5: --auto");
  const std::string echoedBytes = echo.get();
  EXPECT_EQ(echoed.status, 1);
  ASSERT_FALSE(echoed.lines.empty());
  EXPECT_EQ(echoed.lines.back(), "skylark-cli: The line sends back what it is sent: an echo, not a receiver.")
      << ::testing::PrintToString(echoed.lines) << " " << ::testing::PrintToString(echoedBytes);

  // Unplugged and plugged in again: one line for each, and readings again, the receiver that
  // forgot its status interval being asked its tune and retuned.
  ASSERT_TRUE(sim_.Start({"--no-pacing", "--hear", "306", "--settle-ms", "0"}));
  ASSERT_EQ(Cli("tune --port COM4: --station 306 --sites " + kData).status, 0);
  testing::SimProcess replugged;
  auto replug = std::async(std::launch::async, [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    sim_.Send("hangup");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return replugged.Start({"--no-pacing", "--hear", "306", "--scan-ms", "0"});
  });
  const auto start = std::chrono::steady_clock::now();
  const CliRun back = Cli("status --port COM4: --count 3");
  ASSERT_TRUE(replug.get());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8)) << "back within one try of its return";
  EXPECT_EQ(back.status, 0);
  EXPECT_EQ(sim_.Log().find("RX $PCSI,1\n"), std::string::npos) << "a watcher asks the receiver nothing";
  EXPECT_NE(std::find(back.lines.begin(), back.lines.end(),
                      "skylark-cli: Port COM4: was lost and has been closed. The device was unplugged or the line "
                      "hung up. Waiting for COM4: to come back."),
            back.lines.end())
      << ::testing::PrintToString(back.lines);
  EXPECT_NE(std::find(back.lines.begin(), back.lines.end(), "skylark-cli: COM4: is back."), back.lines.end());
  EXPECT_NE(replugged.Log().find("RX $GPCRQ,MSK"), std::string::npos) << replugged.Log();
  EXPECT_NE(replugged.Log().find("RX $GPMSK,,A,,A,1"), std::string::npos) << replugged.Log();
}

// A receiver behind ser2net, raw and with RFC 2217: tune by site, readings, and the connection
// lost when ser2net stops. Only RFC 2217 makes the far line 4800 baud.
TEST_F(CliCommand, TuneAndStatusThroughSer2net) {
  ASSERT_TRUE(sim_.Start({"--no-pacing", "--hear", "306", "--settle-ms", "0"}));
  const std::string device = std::filesystem::read_symlink(dirs_.ConfigHome() + "/Corvane/Skylark/ports/COM4");
  const auto speed = [&device] {
    const int fd = ::open(device.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::close(fd);
    return ::cfgetospeed(&tio);
  };
  for (const bool rfc2217 : {false, true}) {
    SCOPED_TRACE(rfc2217 ? "rfc2217" : "raw");
    testing::Ser2net server(device, rfc2217, dirs_.Root());
    const std::string port = (rfc2217 ? "rfc2217://127.0.0.1:" : "tcp://localhost:") + std::to_string(server.Port());
    const CliRun tune = Cli("tune --port " + port + " --site 'North America/Canada/Sandspit' --sites " + kData);
    EXPECT_EQ(tune.lines, Lines{"Beacon Tuned Successfully!"});
    EXPECT_EQ(tune.status, 0);

    speed_t during = 0;
    auto stop = std::async(std::launch::async, [&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(1500));
      during = speed();
      server.Stop();
    });
    const auto start = std::chrono::steady_clock::now();
    const CliRun lost = Cli("status --port " + port + " --json --no-reconnect");
    stop.get();
    EXPECT_EQ(during, rfc2217 ? B4800 : B9600);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4)) << "heard at once, not at the time-out";
    EXPECT_EQ(lost.status, 1);
    ASSERT_GE(lost.lines.size(), 2u);
    EXPECT_EQ(nlohmann::json::parse(lost.lines[0]).at("frequency"), "300.0 kHz");
    EXPECT_EQ(lost.lines.back(), "skylark-cli: Port " + port + " was lost and has been closed. The connection was closed.");
  }
  const CliRun refused = Cli("status --port tcp://127.0.0.1:1 --count 1");
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.lines.front(), "Failed to open port for reading and writing. (tcp://127.0.0.1:1)");
}

TEST_F(CliCommand, ScanAndFailuresAgainstTheSimulator) {
  ASSERT_TRUE(sim_.Start({"--no-pacing", "--silence"}));
  // Every other name leads nowhere, so the machine's own serial ports are never touched.
  for (int n : {1, 2, 3, 5, 6, 7, 8, 9}) ASSERT_TRUE(testing::LinkPort(n, dirs_.Root() + "/none"));
  // A serial device present is listed after the port names, by its own path.
  testing::PtyPair adapter;
  ASSERT_EQ(::mkdir(dirs_.DevHome().c_str(), 0700), 0);
  ASSERT_EQ(::symlink(adapter.SlavePath().c_str(), (dirs_.DevHome() + "/ttyUSB0").c_str()), 0);
  EXPECT_EQ(Cli("scan").lines, (Lines{"COM4: both", dirs_.DevHome() + "/ttyUSB0 both"}));
  // Asked, the receiver answers and the silent adapter does not.
  ASSERT_TRUE(sim_.Send("silence off"));
  EXPECT_EQ(Cli("scan --probe").lines, (Lines{"COM4: both receiver", dirs_.DevHome() + "/ttyUSB0 both"}));
  ASSERT_TRUE(sim_.Send("silence on"));
  // What the tune sentence cannot carry is a usage error, said before anything is sent.
  const std::pair<std::string, std::string> untunable[] = {
      {"0.04 --rate 100", "0.0 kHz at 100"}, {"0 --rate 100", "0.0 kHz at 100"}, {"300 --rate 0", "300.0 kHz at 0"}};
  for (const auto& [values, shown] : untunable) {
    const CliRun refused = Cli("tune --port COM4: --frequency " + values);
    EXPECT_EQ(refused.status, 2) << values;
    EXPECT_EQ(refused.lines, Lines{"skylark-cli: The receiver cannot be tuned to " + shown +
                                   " bps: the frequency must be 0.1 to 9999.9 kHz and the rate 1 to 255 bps."});
  }
  EXPECT_EQ(sim_.Log().find("GPMSK"), std::string::npos);
  const CliRun unacknowledged = Cli("tune --port COM4: --auto");
  EXPECT_EQ(unacknowledged.status, 1);
  EXPECT_EQ(unacknowledged.lines, Lines{"Beacon tuning failed. Check beacon port settings."});
  const CliRun silent = Cli("status --port COM4: --count 1 --timeout 1");
  EXPECT_EQ(silent.status, 1) << "a silent receiver must not keep status waiting";
  const CliRun closed = Cli("status --port COM8: --count 1");
  EXPECT_EQ(closed.status, 2);
  EXPECT_EQ(closed.lines, (Lines{"Failed to open port for reading and writing. (COM8:)",
                                 "No such device: " + dirs_.Root() + "/none."}));
}

TEST_F(CliCommand, PortsShowsLinksAndWhatHoldsThem) {
  testing::PtyPair adapter;
  ASSERT_TRUE(adapter.Valid());
  for (int n = 1; n <= 9; ++n) ASSERT_TRUE(testing::LinkPort(n, dirs_.Root() + "/none"));
  const std::string none = dirs_.Root() + "/none: No such device: " + dirs_.Root() + "/none.";
  const CliRun linked = Cli("ports link COM4 " + adapter.SlavePath());
  EXPECT_EQ(linked.status, 0);
  EXPECT_EQ(linked.lines, Lines{"COM4: -> " + adapter.SlavePath()});

  // This process holds COM5:, as another serial program would.
  testing::PtyPair held;
  ASSERT_TRUE(testing::LinkPort(5, held.SlavePath()));
  const auto holder = platform::OpenSerialLine(u"COM5:", platform::AccessMode::ReadWrite);
  ASSERT_NE(holder, nullptr);
  // picocom holds COM6: with flock() and writes no lock file; its standard input is kept open.
  testing::PtyPair picocomHeld;
  ASSERT_TRUE(testing::LinkPort(6, picocomHeld.SlavePath()));
  FILE* picocom = ::popen(("exec picocom -q --noreset " + picocomHeld.SlavePath() + " >/dev/null").c_str(), "w");
  ASSERT_NE(picocom, nullptr);
  const std::string picocomSaid = "COM6: -> " + picocomHeld.SlavePath() + ": " + picocomHeld.SlavePath() + " is in use by picocom (PID ";
  for (int i = 0; i < 200 && Cli("ports").lines.at(5).rfind(picocomSaid, 0) != 0; ++i) ::usleep(10000);
  // The listing reads lock files and permissions: opening would raise DTR and RTS, so the
  // device must not even see an open. --probe opens it.
  const int opens = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(opens, 0);
  ASSERT_GE(::inotify_add_watch(opens, adapter.SlavePath().c_str(), IN_OPEN), 0);
  const auto opened = [&] {
    char events[4096];
    return ::read(opens, events, sizeof events) > 0;
  };
  for (const bool probe : {false, true}) {
    SCOPED_TRACE(probe);
    const CliRun listing = Cli(probe ? "ports --probe" : "ports");
    ASSERT_GE(listing.lines.size(), 9u);
    EXPECT_EQ(listing.lines[0], "COM1: -> " + none);
    EXPECT_EQ(listing.lines[3], "COM4: -> " + adapter.SlavePath() + (probe ? ": opens" : ": free"));
    EXPECT_EQ(listing.lines[4], "COM5: -> " + held.SlavePath() + ": " + held.SlavePath() +
                                   " is in use by another program (PID " + std::to_string(::getpid()) + ").");
    if (!probe) { EXPECT_TRUE(listing.lines[5].starts_with(picocomSaid)) << listing.lines[5]; }
    EXPECT_EQ(opened(), probe);
  }
  ::close(opens);
  ::pclose(picocom);

  EXPECT_EQ(Cli("ports unlink COM4").lines, Lines{"COM4: -> /dev/ttyS3 (the default)"});
}

// The simulator takes nothing the user or another program holds. A port name the user linked to an
// adapter is a setting, neither replaced nor removed, and the simulator says how to use another
// name; a terminal served with --device is a serial port like any other: its lock is honoured and
// its line settings are put back at the end.
TEST_F(CliCommand, TheSimulatorLeavesWhatOthersHoldAsItWas) {
  testing::PtyPair adapter;
  ASSERT_TRUE(adapter.Valid());
  const std::string sim = SKYLARK_BINARY_DIR "/sim/skylark-sim";
  const std::string link = dirs_.ConfigHome() + "/Corvane/Skylark/ports/COM4";
  // A link whose target is missing is taken over only when it led to an ended simulator's
  // pseudo-terminal; an unplugged adapter's by-id name stays the user's.
  const std::string unplugged = "/dev/serial/by-id/usb-FTDI_FT232R_gone-if00-port0";
  for (const auto& [target, said] : {std::pair{adapter.SlavePath(), "already leads to " + adapter.SlavePath()},
                                     {unplugged, "leads to " + unplugged + ", which is missing"}}) {
    ASSERT_TRUE(testing::LinkPort(4, target));
    const CliRun refused = Cli("--port COM4", sim);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.lines, Lines{"skylark-sim: COM4: " + said + " (" + link +
                                   "); not replacing it. Choose another port name with --port."});
    EXPECT_EQ(std::filesystem::read_symlink(link), target);
  }
  ASSERT_TRUE(testing::LinkPort(4, "/dev/pts/99999"));
  EXPECT_TRUE(sim_.Start({"--no-pacing"}));

  ASSERT_TRUE(testing::LinkPort(5, adapter.SlavePath()));
  auto holder = platform::OpenSerialLine(u"COM5:", platform::AccessMode::ReadWrite);
  EXPECT_EQ(Cli("--device " + adapter.SlavePath(), sim).lines,
            Lines{"skylark-sim: " + adapter.SlavePath() + " is in use by another program (PID " + std::to_string(::getpid()) + ")"});
  holder.reset();
  testing::SimProcess served;
  ASSERT_TRUE(adapter.Untouched() && served.Start({"--device", adapter.SlavePath()}));
  EXPECT_EQ(served.Stop(), 0);
  EXPECT_TRUE(adapter.Untouched());
}

// SIGTERM and SIGHUP (timeout, a logout, a closed terminal) end a command as its end does: the
// port is put back and its lock released, so the next open succeeds at once.
TEST_F(CliCommand, StopSignalsEndACommandAsItsEndDoes) {
  const std::string locks = dirs_.LockHome() + "/LCK..*";
  const std::vector<std::tuple<std::string, std::string, std::string, std::string>> cases = {
      {"--silence", "status --port COM4:", "TERM", "0"},
      {"--silence", "status --port COM4:", "HUP", "0"},
      {"--drop-ack", "tune --port COM4: --auto", "TERM", "1"}};  // the tune ends first, unanswered
  for (const auto& [fault, command, signal, status] : cases) {
    SCOPED_TRACE(command + " " + signal);
    testing::SimProcess sim;
    ASSERT_TRUE(sim.Start({"--no-pacing", fault}));
    // Signalled once its lock file is there; a command ended by the signal itself says 143 or 129.
    const std::string script = SKYLARK_BINARY_DIR "/cli/skylark-cli " + command + " >/dev/null & for i in $(seq 500); do " +
                               "ls " + locks + " >/dev/null 2>&1 && break; sleep 0.01; done; kill -" + signal +
                               " $!; wait $!; echo $?; ls " + locks + " 2>/dev/null";
    EXPECT_EQ(Cli("'" + script + "'", "sh -c").lines, Lines{status});
    EXPECT_NE(platform::OpenSerialLine(u"COM4:", platform::AccessMode::ReadWrite), nullptr);
    sim.Stop();  // and its link with it
  }
}

// Every `pattern` match's group 1 in `text`, troff's font changes and "\-" made plain.
std::set<std::string> Matches(std::string text, const std::string& pattern) {
  text = std::regex_replace(text, std::regex(R"(\\f[BIRP]|\\(?=-))"), "");
  std::set<std::string> found;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it) {
    found.insert((*it)[1]);
  }
  return found;
}
const std::string kLongOption = R"((?:^|[^A-Za-z0-9-])(--(?!help)[a-z][a-z-]*[a-z]))";

TEST_F(CliCommand, ManualPagesNameEveryOptionAndExitStatusOfThePrograms) {
  const std::string cli = SKYLARK_BINARY_DIR "/cli/skylark-cli", sim = SKYLARK_BINARY_DIR "/sim/skylark-sim";
  const std::map<std::string, std::vector<std::string>> commands = {
      {cli, {"", "sites", "tune", "status", "scan", "ports", "ports link", "ports unlink", "signal"}}, {sim, {""}}};
  // A run for each status a page states ("0 on success; 1 when ...; 2 when ..."), as it states it.
  ASSERT_TRUE(testing::LinkPort(6, "/dev/null"));  // a link that leads somewhere
  const std::vector<std::tuple<std::string, std::string, int>> runs = {
      {cli, "sites --find-id 736 " + kData, 0}, {cli, "sites --find-id 1234 " + kData, 1},
      {cli, "ports link COM4 /dev/null", 2},    {cli, "ports unlink COM4", 2},
      {cli, "tune --bogus", 2},                 {sim, "--help", 0},
      {sim, "--port COM6", 1},                  {sim, "--hear 65000", 2},
      {sim, "--bogus", 2}};
  for (const auto& [program, subcommands] : commands) {
    SCOPED_TRACE(program);
    std::string help;
    std::set<std::string> statuses;
    for (const std::string& command : subcommands) {
      for (const std::string& line : Cli(command + " --help", program).lines) help += line + "\n";
    }
    for (const auto& [path, arguments, status] : runs) {
      if (path != program) continue;
      EXPECT_EQ(Cli(arguments, program).status, status) << arguments;
      statuses.insert(std::to_string(status));
    }
    std::stringstream manual;
    manual << std::ifstream(SKYLARK_SOURCE_DIR "/dist/linux/man/" + program.substr(program.rfind('/') + 1) + ".1").rdbuf();
    const std::string page = manual.str();
    EXPECT_EQ(Matches(help, kLongOption), Matches(page, kLongOption));
    const auto exit = page.find(".SH EXIT STATUS");
    EXPECT_EQ(Matches(page.substr(exit, page.find(".SH", exit + 1) - exit), R"((?:^|\n|; )([0-9]+) )"), statuses);
  }
}

// --version and --help work without a display, as over SSH: the window program answers before
// Qt starts.
TEST_F(CliCommand, EveryProgramSaysItsVersion) {
  const std::string version = SKYLARK_VERSION_TEXT;
  EXPECT_EQ(Cli("--version").lines, Lines{"skylark-cli " + version});
  EXPECT_EQ(Cli("--version", SKYLARK_BINARY_DIR "/sim/skylark-sim").lines, Lines{"skylark-sim " + version});
  const std::string gui = SKYLARK_BINARY_DIR "/ui/qt/skylark";
  if (!std::filesystem::exists(gui)) GTEST_SKIP() << "the window program is not built";
  const std::string bare = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + gui;
  EXPECT_EQ(Cli("--version", bare).lines, Lines{"skylark " + version});
  EXPECT_EQ(Cli("--help", bare).lines.at(0), "Usage: skylark [--help] [--version] [Qt options]");
}

// SIGTERM closes the window as Cancel does, with its port open and the receiver still on the
// line: the program ends as after Cancel, its lock is gone, and the next command opens the port
// at once. The window is driven by keyboard on a virtual X server.
TEST_F(CliCommand, TheWindowEndsOnSigtermAsOnCancelAndGivesItsPortBack) {
  const std::string gui = SKYLARK_BINARY_DIR "/ui/qt/skylark";
  if (!std::filesystem::exists(gui) || Cli("-c 'command -v Xvfb && command -v xdotool'", "sh").status != 0) {
    GTEST_SKIP() << "needs the window program, Xvfb and xdotool";
  }
  ASSERT_TRUE(sim_.Start({"--no-pacing", "--hear", "306", "--settle-ms", "0"}));
  // The window lists COM4: as the remembered port; no other name reaches a device.
  for (int n : {1, 2, 3, 5, 6, 7, 8, 9}) ASSERT_TRUE(testing::LinkPort(n, dirs_.Root() + "/none"));
  std::ofstream(dirs_.ConfigHome() + "/Corvane/Skylark/settings")
      << "[\\Software\\Corvane\\Skylark]\nBeaconToDevicePort=sz:COM4:\nDeviceToBeaconPort=sz:COM4:\n";
  std::ofstream(dirs_.Root() + "/window.sh") << R"sh(
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$ROOT/display" 2>/dev/null & x=$!
trap 'kill $x' EXIT
for i in $(seq 100); do [ -s "$ROOT/display" ] && break; sleep 0.05; done
export DISPLAY=:$(head -n 1 "$ROOT/display")
# On the X server, whatever platform the suite's own window tests draw on.
(cd "$DATA" && exec env -u QT_QPA_PLATFORM "$GUI") >/dev/null 2>&1 & w=$!
windows() { xdotool search --onlyvisible --name '^Trekline Beacon Configuration$' 2>/dev/null; }
await() { for i in $(seq 400); do [ "$(windows | wc -l)" -eq "$1" ] && return 0; sleep 0.05; done; return 1; }
press() { xdotool windowfocus --sync "$(windows | tail -n 1)" key --delay 100 "$@"; }
# From the same-port box, which has the focus, Scan, Find Receiver, the list, then Open; Enter
# then closes its message. On a loaded machine the window takes a while to give the box the focus.
await 1 && sleep 2 && press Tab Tab Tab Tab Return && await 2 && press Return && await 1 || echo "no window"
ls $LOCKS >/dev/null 2>&1 || echo "the port is not open"
kill -TERM $w; wait $w; echo "ended with $?"
ls $LOCKS 2>/dev/null
)sh";
  EXPECT_EQ(Cli("ROOT=" + dirs_.Root() + " DATA=" + kData + " GUI=" + gui + " LOCKS='" + dirs_.LockHome() +
                "/LCK..*' sh " + dirs_.Root() + "/window.sh", "env").lines,
            Lines{"ended with 0"});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Cli("tune --port COM4: --station 306 --sites " + kData).lines, Lines{"Beacon Tuned Successfully!"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
}

TEST_F(CliCommand, SignalReachesOnlyARunningSkylark) {
  EXPECT_EQ(Cli("signal update").status, 2);
  const auto update = platform::CreateEvent(true, false, u"cvSkylark.UpdateEvent");
  ASSERT_NE(update, nullptr);
  EXPECT_EQ(Cli("signal update").status, 0);
  EXPECT_TRUE(update->Wait(2000));
}

}  // namespace
}  // namespace skylark

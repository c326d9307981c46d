// skylark-sim: a simulated beacon receiver on a pseudo-terminal, so Skylark can be tried and
// tested end to end without the hardware.
#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "resources/strings.h"
#include "resources/version.h"
#include "sim/beacon_model.h"
#include "sim/event_log.h"
#include "sim/serve.h"
#include "sim/sim_line.h"
#include "sim/simulated_receiver.h"
#include "sites/site_file.h"

namespace {

using namespace skylark;
using namespace skylark::sim;

class StderrReporter : public SiteFileReporter {
 public:
  void SiteFileOpenFailed() override {
    const std::string text = resources::ToUtf8(resources::LoadText(resources::kSiteFileOpenFailed));
    std::fprintf(stderr, "skylark-sim: %s\n", text.c_str());
  }
};

bool ParseInt(std::string_view text, int low, int high, int& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc{} && end == text.data() + text.size() && value >= low && value <= high;
}

// "ID[:snr[:strength]]"
bool AddHeard(BeaconModel& model, const SiteCatalogue& catalogue, const std::string& text) {
  std::vector<std::string_view> parts;
  std::string_view rest = text;
  for (auto colon = rest.find(':'); colon != std::string_view::npos; colon = rest.find(':')) {
    parts.push_back(rest.substr(0, colon));
    rest.remove_prefix(colon + 1);
  }
  parts.push_back(rest);
  int id = 0, snr = 20, strength = 0;
  if (parts.size() > 3 || !ParseInt(parts[0], 1, 65535, id) ||
      (parts.size() > 1 && !ParseInt(parts[1], 0, 99, snr))) {
    return false;
  }
  strength = 40 + snr;
  if (parts.size() > 2 && !ParseInt(parts[2], 0, 99, strength)) return false;
  const BeaconSite* site = catalogue.FindByStationId(static_cast<std::uint16_t>(id));
  if (site == nullptr) return false;
  model.Hear(*site, snr, strength);
  return true;
}

// The list installed with the program, found as the other programs find it.
std::string DefaultSiteFile() {
  const auto directory = skylark::platform::SystemRootDirectory();
  if (!directory) return {};
  return skylark::resources::ToUtf8(*directory + u"/" + std::u16string(kSiteFileName));
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Simulated DGPS beacon receiver on a pseudo-terminal", "skylark-sim"};
  app.set_version_flag("--version", "skylark-sim " SKYLARK_VERSION_TEXT);
  std::string port = "COM4", device, sites = DefaultSiteFile(), logPath;
  std::vector<std::string> hear, near;
  bool noPacing = false, ackAll = false;
  Faults faults;
  int settleMs = 2000, scanMs = 4000;
  auto* portOption =
      app.add_option("--port", port, "port name to link (COM1 to COM9)")->capture_default_str();
  app.add_option("--device", device, "serve this terminal device instead of a pseudo-terminal")
      ->excludes(portOption);
  app.add_option("--sites", sites, "site file the stations come from")->capture_default_str();
  app.add_option("--hear", hear, "an audible station: ID[:snr[:strength]] (repeatable)");
  app.add_option("--near", near, "every station of REGION/COUNTRY is audible (repeatable)");
  app.add_option("--settle-ms", settleMs, "time to lock after a manual tune")
      ->capture_default_str()
      ->check(CLI::Range(0, 600000));
  app.add_option("--scan-ms", scanMs, "time to find a station after an automatic tune")
      ->capture_default_str()
      ->check(CLI::Range(0, 600000));
  app.add_flag("--no-pacing", noPacing, "send at once instead of at 4800 baud");
  app.add_flag("--ack-all", ackAll, "acknowledge every command, not only tunes");
  app.add_flag("--silence", faults.silence, "send nothing at all");
  app.add_flag("--garbage", faults.garbage, "noise and broken sentences between real ones");
  app.add_flag("--drop-ack", faults.dropAck, "tune without acknowledging");
  app.add_flag("--numbered", faults.numbered, "signal strength counts the status sentences sent");
  app.add_option("--log", logPath, "log file (default: standard error)");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : 2;  // a usage error is a 2, as for a bad value
  }

  SiteCatalogue catalogue;
  StderrReporter reporter;
  const bool sitesRead = ReadSiteFile(resources::FromUtf8(sites), catalogue, reporter);
  if (!sitesRead && (!hear.empty() || !near.empty())) return 2;

  BeaconModel model({std::chrono::milliseconds(settleMs), std::chrono::milliseconds(scanMs)});
  for (const auto& text : hear) {
    if (!AddHeard(model, catalogue, text)) {
      std::fprintf(stderr, "skylark-sim: --hear %s: no such station or bad value\n", text.c_str());
      return 2;
    }
  }
  for (const auto& place : near) {
    const auto slash = place.find('/');
    const std::u16string region = resources::FromUtf8(place.substr(0, slash));
    const std::u16string country =
        resources::FromUtf8(slash == std::string::npos ? std::string() : place.substr(slash + 1));
    if (HearCountry(model, catalogue, region, country) == 0) {
      std::fprintf(stderr, "skylark-sim: --near %s: no stations there\n", place.c_str());
      return 2;
    }
  }

  std::unique_ptr<std::FILE, int (*)(std::FILE*)> logFile(nullptr, std::fclose);
  if (!logPath.empty()) {
    logFile.reset(std::fopen(logPath.c_str(), "w"));
    if (!logFile) {
      std::perror(("skylark-sim: " + logPath).c_str());
      return 2;
    }
  }
  const int stopFd = InstallStopSignals();
  std::string error;
  auto line = device.empty() ? SimLine::OpenPseudoTerminal(port, error)
                             : SimLine::OpenDevice(device, error);
  if (!line || stopFd < 0) {
    std::fprintf(stderr, "skylark-sim: %s\n", error.c_str());
    return 1;
  }

  const auto start = EventLog::Clock::now();
  EventLog log(logFile ? logFile.get() : stderr, start);
  SimulatedReceiver receiver(model, catalogue, ackAll);
  receiver.FaultSwitches() = faults;
  std::printf("ready link=%s device=%s\n",
              line->LinkPath().empty() ? "none" : line->LinkPath().c_str(),
              line->DevicePath().c_str());
  std::fflush(stdout);
  log.Note("ready " + line->DevicePath() + " stations=" + std::to_string(model.Audible().size()));
  Serve(*line, receiver, log, start, !noPacing, stopFd);
  return 0;
}

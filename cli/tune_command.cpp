#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "app/status_text.h"
#include "cli/receiver_session.h"
#include "receiver/sentences.h"
#include "resources/strings.h"

namespace skylark::cli {
namespace {

constexpr int kTuneFailed = 1;

struct TuneOptions {
  SessionOptions session;
  bool automatic = false;
  double frequency = 0.0;
  int rate = 0;
  std::string site;
  int station = 0;
  unsigned interval = 1;
  CLI::Option* frequencyOption = nullptr;
  CLI::Option* siteOption = nullptr;
  CLI::Option* stationOption = nullptr;
};

// "REGION/COUNTRY/BEACON": the beacon's name may itself hold a '/'.
const BeaconSite* FindSite(const SiteCatalogue& catalogue, const std::string& path) {
  const std::u16string text = resources::FromUtf8(path);
  const auto first = text.find(u'/');
  const auto second = first == std::u16string::npos ? first : text.find(u'/', first + 1);
  if (second == std::u16string::npos) return nullptr;
  return catalogue.FindByNames(text.substr(0, first), text.substr(first + 1, second - first - 1),
                               std::u16string_view(text).substr(second + 1));
}

// The frequency and rate are checked as the Tune page lists them, before the port is opened:
// what the tune sentence cannot carry is a usage error, not a failed tune.
bool CheckFrequency(const TuneOptions& options) {
  if (IsTunableFrequency(options.frequency) && IsTunableRate(options.rate)) return true;
  const auto number = [](int value) { return resources::FromUtf8(std::to_string(value)); };
  Complain(resources::FormatText(
      resources::kCannotTuneTo,
      {FormatListFrequency(options.frequency), number(options.rate), FormatListFrequency(kLowestTunableKhz),
       FormatListFrequency(kHighestTunableKhz), number(kLowestTunableRate), number(kHighestTunableRate)}));
  return false;
}

int RunTune(const TuneOptions& options) {
  const bool byFrequency = options.frequencyOption->count() > 0;
  if (byFrequency && !CheckFrequency(options)) return kUsageFailure;
  ReceiverSession session(options.session, nullptr);
  if (!session.Open()) return kUsageFailure;
  Application& app = session.App();

  if (options.automatic) {
    app.SetTuneMode(kTuneAutomatic);
  } else if (byFrequency) {
    app.SetCurrentSite(FrequencySite(options.frequency, static_cast<std::uint8_t>(options.rate)));
    app.SetTuneMode(kTuneByFrequency);
  } else {
    const bool bySite = options.siteOption->count() > 0;
    const BeaconSite* site = bySite ? FindSite(app.Catalogue(), options.site)
                                    : app.Catalogue().FindByStationId(static_cast<std::uint16_t>(options.station));
    if (site == nullptr) {
      Complain(resources::FormatText(resources::kNoSuchSite,
                                     resources::FromUtf8(bySite ? options.site : std::to_string(options.station))));
      return kUsageFailure;
    }
    if (!IsTunable(*site)) {
      Complain(resources::LoadText(resources::kSiteNotTunable));
      return kUsageFailure;
    }
    app.SetCurrentSite(*site);
    app.SetTuneMode(kTuneBySite);
  }

  const bool tuned = app.Tune(options.interval);
  // Flushed, so that the note below comes after it on a terminal that shows both streams.
  std::cout << Words(tuned ? resources::kTuneSucceeded : resources::kTuneFailed) << std::endl;
  // The settings are not to blame for a line that was lost or never had a receiver on it.
  if (const std::u16string trouble = tuned ? std::u16string() : session.LineTrouble(); !trouble.empty()) {
    Complain(trouble);
  }
  return tuned ? 0 : kTuneFailed;
}

}  // namespace

void AddTuneCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<TuneOptions>();
  CLI::App* command = app.add_subcommand("tune", "Tune the receiver as the Tune page does");
  command
      ->add_option("--port", options->session.port, "Port the receiver is on, COM1: to COM9: (on Windows also beyond), or tcp://HOST:PORT or rfc2217://HOST:PORT")
      ->required();
  auto* automatic = command->add_flag("--auto", options->automatic, "Let the receiver find a beacon itself");
  options->frequencyOption =
      command->add_option("--frequency", options->frequency, "Beacon frequency in kHz");
  auto* rate = command->add_option("--rate", options->rate, "MSK bit rate in bits per second");
  options->siteOption = command->add_option("--site", options->site, "A site of the site file: REGION/COUNTRY/BEACON");
  options->stationOption = command->add_option("--station", options->station, "A site of the site file by station ID")
                               ->check(CLI::Range(1, 65535));
  command->add_option("--interval", options->interval, "Seconds between the receiver's status sentences (0: none)")
      ->check(CLI::Range(std::uint32_t{0}, kMaxStatusInterval))
      ->capture_default_str();
  command->add_option("--sites", options->session.sites, "Site file, or directory to search for it");
  options->frequencyOption->needs(rate);
  rate->needs(options->frequencyOption);
  automatic->excludes(options->frequencyOption, options->siteOption, options->stationOption);
  options->frequencyOption->excludes(options->siteOption, options->stationOption);
  options->siteOption->excludes(options->stationOption);
  command->callback([options, automatic, &exitStatus] {
    if (automatic->count() + options->frequencyOption->count() + options->siteOption->count() +
            options->stationOption->count() ==
        0) {
      throw CLI::RequiredError("one of --auto, --frequency/--rate, --site or --station");
    }
    exitStatus = RunTune(*options);
  });
}

}  // namespace skylark::cli

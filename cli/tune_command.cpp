#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/receiver_session.h"
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
  const auto region = catalogue.Regions().find(text.substr(0, first));
  if (region == catalogue.Regions().end()) return nullptr;
  const auto country = region->second.find(text.substr(first + 1, second - first - 1));
  if (country == region->second.end()) return nullptr;
  const std::u16string beacon = text.substr(second + 1);
  for (const BeaconSite* site : country->second) {
    if (site->Beacon == beacon) return site;
  }
  return nullptr;
}

int RunTune(const TuneOptions& options) {
  ReceiverSession session(options.session, nullptr);
  if (!session.Open()) return kUsageFailure;
  Application& app = session.App();

  if (options.automatic) {
    app.SetTuneMode(kTuneAutomatic);
  } else if (options.frequencyOption->count() > 0) {
    BeaconSite site;
    site.Region = site.Country = site.Beacon = u"-";
    site.Frequency = options.frequency;
    site.MskRate = static_cast<std::uint8_t>(options.rate);
    app.SetCurrentSite(site);
    app.SetTuneMode(kTuneByFrequency);
  } else {
    const BeaconSite* site = options.siteOption->count() > 0
                                 ? FindSite(app.Catalogue(), options.site)
                                 : app.Catalogue().FindByStationId(static_cast<std::uint16_t>(options.station));
    if (site == nullptr) {
      std::cerr << "No such site in the site file: "
                << (options.siteOption->count() > 0 ? options.site : std::to_string(options.station)) << '\n';
      return kUsageFailure;
    }
    app.SetCurrentSite(*site);
    app.SetTuneMode(kTuneBySite);
  }

  const bool tuned = app.Tune(options.interval);
  // Flushed, so that the note below comes after it on a terminal that shows both streams.
  std::cout << resources::ToUtf8(resources::LoadText(tuned ? resources::kTuneSucceeded : resources::kTuneFailed))
            << std::endl;
  // The settings are not to blame for a line that was lost or never had a receiver on it.
  if (const std::string trouble = tuned ? std::string() : session.LineTrouble(); !trouble.empty()) {
    std::cerr << "skylark-cli: " << trouble << '\n';
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
      command->add_option("--frequency", options->frequency, "Beacon frequency in kHz")->check(CLI::Range(0.0, 9999.9));
  auto* rate = command->add_option("--rate", options->rate, "MSK bit rate in bits per second")->check(CLI::Range(1, 255));
  options->siteOption = command->add_option("--site", options->site, "A site of the site file: REGION/COUNTRY/BEACON");
  options->stationOption = command->add_option("--station", options->station, "A site of the site file by station ID")
                               ->check(CLI::Range(1, 65535));
  command->add_option("--interval", options->interval, "Seconds between the receiver's status sentences (0: none)")
      ->check(CLI::Range(0, 100))
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

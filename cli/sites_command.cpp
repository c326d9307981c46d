#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/receiver_session.h"
#include "resources/strings.h"
#include "sites/site_catalogue.h"
#include "sites/site_file.h"

namespace skylark::cli {
namespace {

// Exit statuses of the sites command.
constexpr int kNoSuchSite = 1;
constexpr int kNoSiteFile = 2;

struct SitesOptions {
  std::string path;
  bool json = false;
  int findId = 0;
  CLI::Option* findIdOption = nullptr;
};

// Whole hertz as kHz: at least one decimal, no trailing zeros beyond it.
std::string FormatKhz(double khz) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", khz);
  std::string out(text);
  while (out.size() > 2 && out.back() == '0' && out[out.size() - 2] != '.') out.pop_back();
  return out;
}

void PrintJson(const BeaconSite& site) {
  const nlohmann::ordered_json line = {
      {"region", resources::ToUtf8(site.Region)},
      {"country", resources::ToUtf8(site.Country)},
      {"beacon", resources::ToUtf8(site.Beacon)},
      {"msk_rate", site.MskRate},
      {"frequency_khz", site.Frequency},
      {"station_id", site.StationId},
      {"station_id2", site.StationId2},
  };
  std::cout << line.dump() << '\n';
}

void PrintTable(const std::vector<const BeaconSite*>& sites) {
  using Row = std::vector<std::u16string>;
  Row headings;
  for (const int id : {resources::kRegionHeading, resources::kCountryHeading, resources::kBeaconHeading,
                       resources::kRateHeading, resources::kKhzHeading, resources::kIdHeading, resources::kId2Heading}) {
    headings.emplace_back(resources::LoadText(id));
  }
  std::vector<Row> rows{headings};
  for (const BeaconSite* site : sites) {
    rows.push_back({site->Region, site->Country, site->Beacon,
                    resources::FromUtf8(std::to_string(site->MskRate)),
                    resources::FromUtf8(FormatKhz(site->Frequency)),
                    resources::FromUtf8(std::to_string(site->StationId)),
                    resources::FromUtf8(std::to_string(site->StationId2))});
  }
  std::vector<std::size_t> widths(rows.front().size(), 0);
  for (const Row& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  // Names are padded on the right, numbers on the left, so that digits line up.
  constexpr std::size_t kFirstNumber = 3;
  for (const Row& row : rows) {
    std::u16string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      const std::u16string pad(widths[c] - row[c].size(), u' ');
      if (c > 0) line += u"  ";
      line += c < kFirstNumber ? row[c] + pad : pad + row[c];
    }
    while (!line.empty() && line.back() == u' ') line.pop_back();
    std::cout << resources::ToUtf8(line) << '\n';
  }
  std::cout << (sites.size() == 1 ? Words(resources::kOneSite)
                                  : Words(resources::kSiteCount, {resources::FromUtf8(std::to_string(sites.size()))}))
            << '\n';
}

int RunSites(const SitesOptions& options) {
  SiteCatalogue catalogue;
  StderrSiteReporter reporter;
  std::vector<std::u16string> searched;
  if (!LoadSitesFrom(resources::FromUtf8(options.path), catalogue, reporter, searched)) {
    if (!reporter.failed) std::cerr << resources::ToUtf8(NoSiteFileText(searched)) << '\n';
    return kNoSiteFile;
  }
  std::vector<const BeaconSite*> sites;
  if (options.findIdOption->count() > 0) {
    const BeaconSite* site = catalogue.FindByStationId(static_cast<std::uint16_t>(options.findId));
    if (site == nullptr) return kNoSuchSite;
    sites.push_back(site);
  } else {
    for (const auto& site : catalogue.AllSites()) sites.push_back(site.get());
  }
  if (options.json) {
    for (const BeaconSite* site : sites) PrintJson(*site);
  } else {
    PrintTable(sites);
  }
  return 0;
}

}  // namespace

void AddSitesCommand(CLI::App& app, int& exitStatus) {
  auto options = std::make_shared<SitesOptions>();
  CLI::App* command = app.add_subcommand("sites", "List the beacon sites of the site file");
  command->add_option("path", options->path,
                      "Site file, or directory to search for " + resources::ToUtf8(kSiteFileName) +
                          " (default: the current directory, the program's folder, then the system root)");
  command->add_flag("--json", options->json, "One JSON object per site, one per line");
  options->findIdOption =
      command->add_option("--find-id", options->findId, "Only the site found under this station ID")
          ->check(CLI::Range(0, 65535));
  command->callback([options, &exitStatus] { exitStatus = RunSites(*options); });
}

}  // namespace skylark::cli

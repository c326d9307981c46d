#include "sites/site_catalogue.h"

#include <cmath>

namespace skylark {

void SiteCatalogue::AddSite(std::unique_ptr<BeaconSite> site) {
  if (!site) return;
  const BeaconSite* entered = site.get();
  allSites_.push_back(std::move(site));
  // A later line takes a shared ID over: that is how a corrected entry supersedes an old one.
  if (entered->StationId != 0) stationIdIndex_[entered->StationId] = entered;
  if (entered->StationId2 != 0) stationIdIndex_[entered->StationId2] = entered;
  regionIndex_[entered->Region][entered->Country].push_back(entered);
}

const BeaconSite* SiteCatalogue::FindByStationId(std::uint16_t stationId) const {
  if (stationId == 0) return nullptr;
  const auto found = stationIdIndex_.find(stationId);
  return found == stationIdIndex_.end() ? nullptr : found->second;
}

const BeaconSite* SiteCatalogue::FindByStationId(std::uint16_t stationId, double frequencyKhz) const {
  // A reported frequency is a tenth of a kHz at best; sites lie at least 0.5 kHz apart.
  constexpr double kSameFrequencyKhz = 0.05;
  if (stationId == 0) return nullptr;
  // From the end, so that a later line still supersedes an earlier one on the same frequency.
  for (auto site = allSites_.rbegin(); site != allSites_.rend(); ++site) {
    if (((*site)->StationId == stationId || (*site)->StationId2 == stationId) &&
        std::abs((*site)->Frequency - frequencyKhz) < kSameFrequencyKhz) {
      return site->get();
    }
  }
  return FindByStationId(stationId);
}

const BeaconSite* SiteCatalogue::FindByNames(const std::u16string& region, const std::u16string& country,
                                             std::u16string_view beacon, std::uint16_t stationId) const {
  const auto countries = regionIndex_.find(region);
  if (countries == regionIndex_.end()) return nullptr;
  const auto sites = countries->second.find(country);
  if (sites == countries->second.end()) return nullptr;
  for (const BeaconSite* site : sites->second) {
    if (site->Beacon == beacon && (stationId == 0 || site->StationId == stationId || site->StationId2 == stationId)) {
      return site;
    }
  }
  return nullptr;
}

void SiteCatalogue::ClearCatalogue() {
  // The indexes go first so that no moment holds a pointer to a deleted site.
  stationIdIndex_.clear();
  regionIndex_.clear();
  allSites_.clear();
}

}  // namespace skylark

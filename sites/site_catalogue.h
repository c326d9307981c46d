#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "sites/beacon_site.h"

namespace skylark {

// The sites of one region and country, in file order; the records belong to AllSites.
using SiteList = std::vector<const BeaconSite*>;
// Country text -> that country's sites. Map nodes never move, so a page may keep pointers to
// a CountryIndex or a SiteList as long as the catalogue is not cleared.
using CountryIndex = std::unordered_map<std::u16string, SiteList>;
using RegionIndex = std::unordered_map<std::u16string, CountryIndex>;

class SiteCatalogue {
 public:
  // Takes ownership and enters the site in every index; a later site takes over a station ID.
  void AddSite(std::unique_ptr<BeaconSite> site);

  // The site entered under `stationId`; null for 0 and for an ID no site has.
  const BeaconSite* FindByStationId(std::uint16_t stationId) const;
  // The site with that station ID on that frequency, where several sites share the ID; else as
  // FindByStationId. The frequency is in kHz, as the receiver reports it.
  const BeaconSite* FindByStationId(std::uint16_t stationId, double frequencyKhz) const;

  // The first site of that region and country with that beacon name, in file order; with a
  // station ID, the first such site that carries it (names repeat, and so do IDs). Null when
  // none does.
  const BeaconSite* FindByNames(const std::u16string& region, const std::u16string& country,
                                std::u16string_view beacon, std::uint16_t stationId = 0) const;

  const RegionIndex& Regions() const { return regionIndex_; }
  const std::vector<std::unique_ptr<BeaconSite>>& AllSites() const { return allSites_; }
  std::size_t Count() const { return allSites_.size(); }

  // Deletes every site and empties every index.
  void ClearCatalogue();

 private:
  RegionIndex regionIndex_;
  std::unordered_map<std::uint16_t, const BeaconSite*> stationIdIndex_;
  std::vector<std::unique_ptr<BeaconSite>> allSites_;
};

}  // namespace skylark

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sites/site_catalogue.h"

namespace skylark {
namespace {

std::unique_ptr<BeaconSite> Site(std::u16string region, std::u16string country, std::u16string beacon,
                                 std::uint16_t id, std::uint16_t id2) {
  auto site = std::make_unique<BeaconSite>();
  site->Region = std::move(region);
  site->Country = std::move(country);
  site->Beacon = std::move(beacon);
  site->MskRate = 100;
  site->Frequency = 300.0;
  site->StationId = id;
  site->StationId2 = id2;
  return site;
}

// Sites added in order; each lookup names the beacon expected, or "" for none.
TEST(SiteCatalogue, StationIdsFindTheLastSiteThatHasThem) {
  SiteCatalogue catalogue;
  catalogue.AddSite(Site(u"Europe", u"X", u"First", 712, 713));
  catalogue.AddSite(Site(u"Europe", u"X", u"Zero", 0, 714));
  catalogue.AddSite(Site(u"Asia", u"Y", u"Later", 713, 0));
  catalogue.AddSite(Site(u"Asia", u"Y", u"Same", 720, 720));
  catalogue.AddSite(Site(u"Asia", u"Y", u"NoIds", 0, 0));
  catalogue.AddSite(nullptr);
  const struct {
    std::uint16_t id;
    std::u16string beacon;
  } lookups[] = {
      {712, u"First"}, {713, u"Later"}, {714, u"Zero"}, {720, u"Same"},
      {0, u""},        {1, u""},        {65535, u""},
  };
  for (const auto& lookup : lookups) {
    SCOPED_TRACE(lookup.id);
    const BeaconSite* found = catalogue.FindByStationId(lookup.id);
    EXPECT_EQ(found != nullptr ? found->Beacon : u"", lookup.beacon);
  }
  EXPECT_EQ(catalogue.Count(), 5u);
}

TEST(SiteCatalogue, IndexesRegionsAndCountriesExactlyInFileOrder) {
  SiteCatalogue catalogue;
  catalogue.AddSite(Site(u"Europe", u"X", u"A", 1, 0));
  catalogue.AddSite(Site(u"europe", u"X", u"B", 1, 0));
  catalogue.AddSite(Site(u"Europe", u"X", u"A", 2, 0));
  catalogue.AddSite(Site(u"Europe", u"X ", u"C", 0, 0));
  catalogue.AddSite(Site(u"", u"", u"D", 0, 0));
  catalogue.AddSite(Site(u"Asia", u"X", u"E", 0, 0));

  const auto beacons = [&](const std::u16string& region, const std::u16string& country) {
    std::vector<std::u16string> names;
    for (const BeaconSite* site : catalogue.Regions().at(region).at(country)) names.push_back(site->Beacon);
    return names;
  };
  EXPECT_EQ(catalogue.Regions().size(), 4u);
  EXPECT_EQ(catalogue.Regions().at(u"Europe").size(), 2u);
  EXPECT_EQ(beacons(u"Europe", u"X"), (std::vector<std::u16string>{u"A", u"A"}));
  EXPECT_EQ(beacons(u"europe", u"X"), (std::vector<std::u16string>{u"B"}));
  EXPECT_EQ(beacons(u"Europe", u"X "), (std::vector<std::u16string>{u"C"}));
  EXPECT_EQ(beacons(u"", u""), (std::vector<std::u16string>{u"D"}));
  EXPECT_EQ(beacons(u"Asia", u"X"), (std::vector<std::u16string>{u"E"}));
  // The index entries are the very records AllSites owns.
  EXPECT_EQ(catalogue.Regions().at(u"Asia").at(u"X").front(), catalogue.AllSites().back().get());
  EXPECT_EQ(catalogue.FindByStationId(1)->Region, u"europe");
}

TEST(SiteCatalogue, ClearLeavesNothing) {
  SiteCatalogue catalogue;
  catalogue.AddSite(Site(u"Europe", u"X", u"A", 1, 2));
  catalogue.ClearCatalogue();
  EXPECT_EQ(catalogue.Count(), 0u);
  EXPECT_TRUE(catalogue.AllSites().empty());
  EXPECT_TRUE(catalogue.Regions().empty());
  EXPECT_EQ(catalogue.FindByStationId(1), nullptr);
  EXPECT_EQ(catalogue.FindByStationId(2), nullptr);
  catalogue.AddSite(Site(u"Asia", u"Y", u"B", 1, 0));
  EXPECT_EQ(catalogue.FindByStationId(1)->Beacon, u"B");
  EXPECT_EQ(catalogue.Regions().size(), 1u);
}

}  // namespace
}  // namespace skylark

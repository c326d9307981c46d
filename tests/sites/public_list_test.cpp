#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "resources/strings.h"
#include "sites/site_catalogue.h"
#include "sites/site_file.h"
#include "tests/sites/site_test_files.h"

namespace skylark {
namespace {

// The bundled list of 371 real beacon stations (see data/README.md for what it holds).
class PublicList : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    catalogue_ = new SiteCatalogue;
    testing::CountingReporter reporter;
    loaded_ = LoadSiteFile(resources::FromUtf8(SKYLARK_SOURCE_DIR "/data"), *catalogue_, reporter);
  }
  static void TearDownTestSuite() {
    delete catalogue_;
    catalogue_ = nullptr;
  }

  static std::vector<const BeaconSite*> Named(std::u16string_view beacon) {
    std::vector<const BeaconSite*> sites;
    for (const auto& site : catalogue_->AllSites()) {
      if (site->Beacon == beacon) sites.push_back(site.get());
    }
    return sites;
  }

  static inline SiteCatalogue* catalogue_ = nullptr;
  static inline bool loaded_ = false;
};

TEST_F(PublicList, AcceptsEveryLineWithABitRate) {
  ASSERT_TRUE(loaded_);
  EXPECT_EQ(catalogue_->Count(), 364u);
  std::map<int, int> rates;
  std::set<std::u16string> countries;
  for (const auto& site : catalogue_->AllSites()) {
    ++rates[site->MskRate];
    countries.insert(site->Country);
  }
  EXPECT_EQ(rates, (std::map<int, int>{{100, 186}, {200, 178}}));
  EXPECT_EQ(catalogue_->Regions().size(), 6u);
  EXPECT_EQ(countries.size(), 49u);
  for (const auto* dropped : {u"Mallacoota", u"Cavarna", u"Poti", u"Ventspils", u"IJmuiden Phare",
                              u"Whangaparao", u"Lang Suan - Chomphon"}) {
    EXPECT_TRUE(Named(dropped).empty()) << resources::ToUtf8(dropped);
  }
}

TEST_F(PublicList, KeepsNamesAndFrequenciesAsWritten) {
  const struct {
    std::u16string_view beacon;
    std::u16string_view country;
    double khz;
    std::size_t count;
  } cases[] = {
      {u"G\u00F6teborg", u"Kingdom of Sweden", 296.5, 1},
      {u"Basargina", u"Russian Federation", 285.6, 1},
      {u"Bad Abbach", u"Federal Republic of Germany", 314.5, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(resources::ToUtf8(c.beacon));
    const auto sites = Named(c.beacon);
    ASSERT_EQ(sites.size(), c.count);
    EXPECT_EQ(sites.front()->Country, c.country);
    EXPECT_DOUBLE_EQ(sites.front()->Frequency, c.khz);
  }
  EXPECT_DOUBLE_EQ(Named(u"Iffezheim").back()->Frequency, 393.5);
  // Both entries of a repeated name are listed, in file order.
  const auto& germany = catalogue_->Regions().at(u"Europe").at(u"Federal Republic of Germany");
  const auto first = std::find(germany.begin(), germany.end(), Named(u"Bad Abbach")[0]);
  ASSERT_NE(first, germany.end());
  ASSERT_NE(first + 1, germany.end());
  EXPECT_EQ(first[1], Named(u"Bad Abbach")[1]);
}

TEST_F(PublicList, EachStationIdFindsTheLastSiteThatHasIt) {
  std::map<std::uint16_t, std::vector<const BeaconSite*>> owners;
  for (const auto& site : catalogue_->AllSites()) {
    for (const std::uint16_t id : {site->StationId, site->StationId2}) {
      auto& list = owners[id];
      if (id != 0 && (list.empty() || list.back() != site.get())) list.push_back(site.get());
    }
  }
  owners.erase(0);
  std::size_t shared = 0;
  for (const auto& [id, sites] : owners) {
    EXPECT_EQ(catalogue_->FindByStationId(id), sites.back()) << id;
    shared += sites.size() > 1 ? 1 : 0;
  }
  EXPECT_EQ(owners.size(), 480u);
  EXPECT_EQ(shared, 149u);

  const struct {
    std::uint16_t id;
    std::u16string_view beacon;
  } named[] = {
      {486, u"Porto Santo"}, {8, u"Sandy Hook - NJ"}, {950, u"St. Davids Head"},
      {535, u"Kleipada"},    {700, u"Seto"},          {0, u""},
  };
  for (const auto& n : named) {
    const BeaconSite* found = catalogue_->FindByStationId(n.id);
    EXPECT_EQ(found != nullptr ? std::u16string_view(found->Beacon) : u"", n.beacon) << n.id;
  }
  // Crib Point has reference ID 0 and shares its transmitter ID 700 with two later lines.
  const auto cribPoint = Named(u"Crib Point");
  ASSERT_EQ(cribPoint.size(), 1u);
  EXPECT_EQ(cribPoint[0]->StationId, 0);
  EXPECT_EQ(cribPoint[0]->StationId2, 700);
}

}  // namespace
}  // namespace skylark

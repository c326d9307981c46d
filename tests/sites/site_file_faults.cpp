// Site files that are not what they should be: binary junk and very long lists. The catalogue
// only ever holds valid sites, and a long list loads whole.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "resources/strings.h"
#include "tests/sites/site_test_files.h"

namespace skylark {
namespace {

using testing::CountingReporter;
using testing::TempDir;

TEST(SiteFileFaults, BinaryJunkGivesOnlyValidSites) {
  TempDir dir;
  std::mt19937 random(371);
  for (int round = 0; round < 8; ++round) {
    std::string junk;
    for (int i = 0; i < 64 * 1024; ++i) junk.push_back(static_cast<char>(random() & 0xFF));
    // Commas and line ends often enough to make records, NUL bytes inside fields included.
    for (std::size_t i = 0; i < junk.size(); i += 1 + random() % 40) junk[i] = round % 2 ? ',' : '\n';
    SiteCatalogue catalogue;
    CountingReporter reporter;
    ASSERT_TRUE(ReadSiteFile(dir.Write("DGPSSites.csv", junk).u16string(), catalogue, reporter));
    EXPECT_EQ(reporter.failures, 0);
    for (const auto& site : catalogue.AllSites()) {
      EXPECT_NE(site->MskRate, 0);
      for (const std::u16string* text : {&site->Region, &site->Country, &site->Beacon}) {
        EXPECT_LE(text->size(), 255u);
        for (const char16_t c : *text) ASSERT_TRUE(c != 0 && c <= 0xFF) << static_cast<int>(c);
      }
    }
  }
}

TEST(SiteFileFaults, ALongListLoadsEveryLine) {
  constexpr int kLines = 20000;
  std::string file;
  for (int i = 1; i <= kLines; ++i) {
    file += "Region " + std::to_string(i % 7) + ",Country " + std::to_string(i % 53) + ",Beacon " +
            std::to_string(i) + ",200," + std::to_string(283500 + i) + "," + std::to_string(i) + ",0\r\n";
  }
  TempDir dir;
  SiteCatalogue catalogue;
  CountingReporter reporter;
  ASSERT_TRUE(ReadSiteFile(dir.Write("DGPSSites.csv", file).u16string(), catalogue, reporter));
  ASSERT_EQ(catalogue.Count(), static_cast<std::size_t>(kLines));
  EXPECT_EQ(catalogue.Regions().size(), 7u);
  const BeaconSite* last = catalogue.FindByStationId(kLines);
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->Beacon, u"Beacon " + resources::FromUtf8(std::to_string(kLines)));
  EXPECT_DOUBLE_EQ(last->Frequency, 283.5 + kLines * 0.001);
}

}  // namespace
}  // namespace skylark

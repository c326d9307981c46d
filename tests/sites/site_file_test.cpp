#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <tuple>
#include <vector>

#include "platform/files.h"
#include "resources/strings.h"
#include "tests/sites/site_test_files.h"

namespace skylark {
namespace {

using namespace std::string_literals;
using namespace testing;

// Every site as "region|country|beacon|rate|kHz|id|id2", names in UTF-8.
std::vector<std::string> Rows(const SiteCatalogue& catalogue) {
  std::vector<std::string> rows;
  for (const auto& s : catalogue.AllSites()) {
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "|%d|%.3f|%d|%d", s->MskRate, s->Frequency,
                  s->StationId, s->StationId2);
    rows.push_back(resources::ToUtf8(s->Region + u'|' + s->Country + u'|' + s->Beacon) + numbers);
  }
  return rows;
}

TEST(ReadSiteFile, TurnsLinesIntoSites) {
  const struct {
    const char* legend;
    std::string bytes;
    std::vector<std::string> sites;
  } cases[] = {
      {"CR LF, LF and CR all end a line; header and blank lines dropped; no final break",
       "Region,Country,Beacon,MSK\r\n\nE,X,One,100,298500,712,713\r\rA,Y,Two,200,310000,5",
       {"E|X|One|100|298.500|712|713", "A|Y|Two|200|310.000|5|0"}},
      {"three columns dropped, four kept, rates wrap to 8 bits, decimal point ends the number",
       "A,B,C\r\nA,B,r256,256\r\nA,B,r300,300,298.5\r\nA,B,r-56,-56\r\n",
       {"A|B|r300|44|0.298|0|0", "A|B|r-56|200|0.000|0|0"}},
      {"overlong numbers wrap", "A,B,C,4294967396,99999999999999999999999,2147483648,-56\r\n",
       {"A|B|C|100|-159383.553|0|65480"}},
      {"blanks and quotes kept, quoted comma separates", "\" E \", B ,\"C\",100,\"2,5\"\r\n",
       {"\" E \"| B |\"C\"|100|0.000|5|0"}},
      {"nine fields give one site, eleven two", "A,B,C,1,0,2,3,X,Y\r\nA,B,C,1,0,2,3,D,E,F,50\r\n",
       {"A|B|C|1|0.000|2|3", "A|B|C|1|0.000|2|3", "D|E|F|50|0.000|0|0"}},
      {"Latin-1 names, NUL ends a value", "E,S\0x,G\xF6teborg \x80\xFF,1\0" "00\r\n"s,
       {"E|S|G\xC3\xB6teborg \xC2\x80\xC3\xBF|1|0.000|0|0"}},
      {"255-byte field kept, 256 bytes end the file",
       std::string(255, 'x') + ",B,C,1\r\nE,C,T,2," + std::string(256, '9') + "\r\nU,C,U,1",
       {std::string(255, 'x') + "|B|C|1|0.000|0|0", "E|C|T|2|0.000|0|0"}},
      {"256-byte name ends the file", std::string(256, 'x') + ",C,T,200\r\nU,C,U,1", {}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    SiteCatalogue catalogue;
    CountingReporter reporter;
    EXPECT_TRUE(ReadSiteFile(dir.Write("DGPSSites.csv", c.bytes).u16string(), catalogue, reporter))
        << c.legend;
    EXPECT_EQ(reporter.failures, 0) << c.legend;
    EXPECT_EQ(Rows(catalogue), c.sites) << c.legend;
  }
}

// Entries are made in order; a name ending in '/' makes a directory.
TEST(LoadSiteFile, FindsTheFileByNameIgnoringAsciiCase) {
  const struct {
    const char* legend;
    std::vector<std::u16string> entries;
    bool loaded;
    int messages;
    std::size_t sites;
  } cases[] = {
      {"other case, opened by its own name", {u"a.txt", u"dgpssites.CSV"}, true, 0, 1},
      {"near misses", {u"DGPSSites.cs", u"XDGPSSites.csv", u"DGPSSites.csv.bak"}, false, 0, 0},
      {"only ASCII letters fold", {u"DGPSS\u0131tes.csv"}, false, 0, 0},
      {"a directory of that name", {u"DGPSSITES.csv/"}, false, 1, 0},
  };
  for (const auto& c : cases) {
    TempDir dir;
    for (const auto& entry : c.entries) {
      if (entry.back() != u'/') dir.Write(entry, "E,C,S,1");
      else std::filesystem::create_directory(dir.Path() / entry.substr(0, entry.size() - 1));
    }
    SiteCatalogue catalogue;
    CountingReporter reporter;
    EXPECT_EQ(LoadSiteFile(dir.Path().u16string(), catalogue, reporter), c.loaded) << c.legend;
    EXPECT_EQ(reporter.failures, c.messages) << c.legend;
    EXPECT_EQ(catalogue.Count(), c.sites) << c.legend;
  }
}

// An empty file counts as loaded, so no other directory is searched.
TEST(LoadSiteFile, NeedsADirectoryAndAcceptsAnEmptyFile) {
  TempDir dir;
  dir.Write("DGPSSites.csv", "");
  SiteCatalogue catalogue;
  CountingReporter reporter;
  const std::u16string withSeparator = dir.Path().u16string() + platform::PathSeparator();
  EXPECT_TRUE(LoadSiteFile(withSeparator, catalogue, reporter));
  EXPECT_FALSE(LoadSiteFile(u"", catalogue, reporter));
  EXPECT_FALSE(LoadSiteFile(std::nullopt, catalogue, reporter));
}

// A later site takes a shared station ID over unless the reported frequency picks the earlier
// one; 0 is never an ID, and names are indexed exactly as written, repeats included.
TEST(SiteCatalogue, IndexesTheSitesOfAFile) {
  TempDir dir;
  SiteCatalogue catalogue;
  CountingReporter reporter;
  const auto path = dir.Write("DGPSSites.csv", "Europe,X,A,1,296000,712,713\nEurope,X,Zero,1,0,0,714\n"
                                               "europe,X,B,1,288000,713\nEurope,X,A,1\n");
  ASSERT_TRUE(ReadSiteFile(path.u16string(), catalogue, reporter));
  const std::tuple<int, double, std::u16string> lookups[] = {
      {712, 0.0, u"A"},      {713, 0.0, u"B"},   {713, 296.0, u"A"}, {713, 288.04, u"B"},
      {713, 300.0, u"B"},    {714, 300.0, u"Zero"}, {0, 0.0, u""},     {0, 296.0, u""}, {1, 0.0, u""}};
  for (const auto& [id, frequency, beacon] : lookups) {
    const BeaconSite* found = catalogue.FindByStationId(static_cast<std::uint16_t>(id), frequency);
    EXPECT_EQ(found != nullptr ? found->Beacon : u"", beacon) << id << " at " << frequency;
  }
  std::vector<std::u16string> europe;
  for (const auto* s : catalogue.Regions().at(u"Europe").at(u"X")) europe.push_back(s->Beacon);
  EXPECT_EQ(europe, (std::vector<std::u16string>{u"A", u"Zero", u"A"}));
  EXPECT_EQ(catalogue.Regions().at(u"europe").at(u"X").size(), 1u);
  // By names: the first in file order that carries the station ID asked for, if one is.
  EXPECT_EQ(catalogue.FindByNames(u"Europe", u"X", u"A", 713), catalogue.AllSites()[0].get());
  EXPECT_EQ(catalogue.FindByNames(u"Europe", u"X", u"A", 714), nullptr);
}

// What can be tuned is what the tune sentence can carry; what the Status page shows of a reading
// is what lies in the beacon band.
TEST(BeaconSite, TunableValuesAndTheBeaconBand) {
  const struct {
    double khz;
    bool tunable, inBand;
  } frequencies[] = {{0.04, false, false}, {0.06, true, false},     {283.49, true, false},
                     {283.5, true, true},   {325.0, true, true},     {325.01, true, false},
                     {9999.9, true, false}, {9999.96, false, false}, {std::nan(""), false, false}};
  for (const auto& f : frequencies) {
    EXPECT_EQ(IsTunableFrequency(f.khz), f.tunable) << f.khz;
    EXPECT_EQ(InBeaconBand(f.khz), f.inBand) << f.khz;
  }
  const struct {
    int rate;
    bool tunable, inBand;
  } rates[] = {{0, false, false},  {1, true, false},   {99, true, false},
               {100, true, true},  {200, true, true},  {201, true, false}, {256, false, false}};
  for (const auto& r : rates) {
    EXPECT_EQ(IsTunableRate(r.rate), r.tunable) << r.rate;
    EXPECT_EQ(IsBeaconRate(r.rate), r.inBand) << r.rate;
  }
}

}  // namespace
}  // namespace skylark

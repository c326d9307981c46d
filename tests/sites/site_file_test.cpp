#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "sites/site_catalogue.h"
#include "sites/site_file.h"
#include "tests/sites/site_test_files.h"

namespace skylark {
namespace {

using namespace std::string_view_literals;
using testing::CountingReporter;
using testing::ExpectSites;
using testing::SiteRow;
using testing::TempDir;

struct FileCase {
  const char* name;
  std::string_view bytes;
  std::vector<SiteRow> sites;
};

TEST(ReadSiteFile, TurnsLinesIntoSites) {
  const std::string longest(255, 'x');
  const std::string withLongest = longest + ",B,C,100\r\nD,E,F,200\r\n";
  const FileCase cases[] = {
      {"seven fields", "Europe,Examplia,Harbour Point,100,298500,712,713\r\n"sv,
       {{u"Europe", u"Examplia", u"Harbour Point", 100, 298500, 712, 713}}},
      {"header line dropped",
       "Region,Country,Beacon,MSK,Frequency,ID1,ID2\r\nEurope,X,Y,200,300000,1,2\r\n"sv,
       {{u"Europe", u"X", u"Y", 200, 300000, 1, 2}}},
      {"last line without a break", "A,B,C,200,300000,1,2"sv, {{u"A", u"B", u"C", 200, 300000, 1, 2}}},
      {"trailing comma at the end", "A,B,C,100,"sv, {{u"A", u"B", u"C", 100, 0, 0, 0}}},
      {"three columns dropped, four kept", "A,B,C\r\nA,B,D,100\r\n"sv,
       {{u"A", u"B", u"D", 100, 0, 0, 0}}},
      {"empty number columns", "A,B,C,100,,,\r\n"sv, {{u"A", u"B", u"C", 100, 0, 0, 0}}},
      {"rates wrap to 8 bits", "A,B,r256,256\r\nA,B,r300,300\r\nA,B,r-56,-56\r\nA,B,r0,0\r\n"sv,
       {{u"A", u"B", u"r300", 44, 0, 0, 0}, {u"A", u"B", u"r-56", 200, 0, 0, 0}}},
      {"decimal point ends the frequency", "A,B,C,100,298.5\r\n"sv,
       {{u"A", u"B", u"C", 100, 298, 0, 0}}},
      {"blanks and quotes kept", "\" Europe \", B ,\tC, 100 \r\n"sv,
       {{u"\" Europe \"", u" B ", u"\tC", 100, 0, 0, 0}}},
      {"comma inside quotes separates", "A,B,\"C,D\",100\r\n"sv, {}},
      {"nine fields: the last two are a record of their own", "A,B,C,100,1000,2,3,X,Y\r\n"sv,
       {{u"A", u"B", u"C", 100, 1000, 2, 3}}},
      {"eleven fields: the last four are a second site", "A,B,C,100,1000,2,3,D,E,F,50\r\n"sv,
       {{u"A", u"B", u"C", 100, 1000, 2, 3}, {u"D", u"E", u"F", 50, 0, 0, 0}}},
      {"Latin-1 names", "Europe,Sweden,G\xF6teborg \x80\xFF,100,296500,736,469\r\n"sv,
       {{u"Europe", u"Sweden", u"G\u00F6teborg \u0080\u00FF", 100, 296500, 736, 469}}},
      {"NUL ends a value", "Eu\0rope,B,C,1\0" "00,2985\0" "00\r\n"sv,
       {{u"Eu", u"B", u"C", 1, 2985, 0, 0}}},
      {"empty file", ""sv, {}},
      {"blank lines only", "\r\n\r\n\n\r\r"sv, {}},
      {"empty region is a region", ",B,C,100\r\n"sv, {{u"", u"B", u"C", 100, 0, 0, 0}}},
      {"255-byte field kept", withLongest, {{std::u16string(255, u'x'), u"B", u"C", 100, 0, 0, 0},
                                            {u"D", u"E", u"F", 200, 0, 0, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const auto path = dir.Write("DGPSSites.csv", c.bytes);
    SiteCatalogue catalogue;
    CountingReporter reporter;
    EXPECT_TRUE(ReadSiteFile(path.u16string(), catalogue, reporter));
    EXPECT_EQ(reporter.failures, 0);
    ExpectSites(catalogue, c.sites);
  }
}

TEST(ReadSiteFile, EveryLineEndingGivesTheSameSites) {
  const std::vector<SiteRow> expected = {{u"Europe", u"X", u"One", 100, 298500, 712, 713},
                                         {u"Asia", u"Y", u"Two", 200, 310000, 5, 0}};
  for (const std::string ending : {"\r\n", "\n", "\r"}) {
    SCOPED_TRACE(ending == "\r\n" ? "CR LF" : ending == "\n" ? "LF" : "CR");
    const std::string bytes = "Region,Country,Beacon,MSK,Hz,ID,ID2" + ending + ending +
                              "Europe,X,One,100,298500,712,713" + ending + ending + ending +
                              "Asia,Y,Two,200,310000,5" + ending;
    TempDir dir;
    SiteCatalogue catalogue;
    CountingReporter reporter;
    EXPECT_TRUE(ReadSiteFile(dir.Write("DGPSSites.csv", bytes).u16string(), catalogue, reporter));
    ExpectSites(catalogue, expected);
  }
}

// A field that reaches 256 bytes ends the file, yet the load counts as done.
TEST(ReadSiteFile, OverlongFieldEndsTheFile) {
  const std::string overlong(300, '9');
  const struct {
    const char* name;
    std::string tenthLine;
    bool tenthKept;
  } cases[] = {
      {"in the frequency: the rate was stored", "E,C,Ten,200," + overlong + ",7,8", true},
      {"in the region: nothing was stored", std::string(256, 'R') + ",C,Ten,200", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes;
    std::vector<SiteRow> expected;
    for (int line = 1; line <= 9; ++line) {
      bytes += "E,C,S" + std::to_string(line) + ",100,300000," + std::to_string(line) + "\r\n";
      expected.push_back({u"E", u"C", u"S" + std::u16string(1, char16_t(u'0' + line)), 100, 300000, line, 0});
    }
    bytes += c.tenthLine + "\r\nE,C,Eleven,100,300000,11\r\n";
    if (c.tenthKept) expected.push_back({u"E", u"C", u"Ten", 200, 0, 0, 0});
    TempDir dir;
    SiteCatalogue catalogue;
    CountingReporter reporter;
    EXPECT_TRUE(ReadSiteFile(dir.Write("DGPSSites.csv", bytes).u16string(), catalogue, reporter));
    EXPECT_EQ(reporter.failures, 0);
    ExpectSites(catalogue, expected);
  }
}

TEST(ReadSiteFile, ReportsWhatCannotBeOpened) {
  TempDir dir;
  std::filesystem::create_directory(dir.Path() / "DGPSSites.csv");
  for (const auto& path : {dir.Path() / "missing.csv", dir.Path() / "DGPSSites.csv"}) {
    SCOPED_TRACE(path.string());
    SiteCatalogue catalogue;
    CountingReporter reporter;
    EXPECT_FALSE(ReadSiteFile(path.u16string(), catalogue, reporter));
    EXPECT_EQ(reporter.failures, 1);
    EXPECT_EQ(catalogue.Count(), 0u);
  }
}

TEST(LoadSiteFile, FindsTheFileByNameIgnoringAsciiCase) {
  const std::string oneSite = "E,C,S,100,300000,1\r\n";
  const struct {
    const char* name;
    std::vector<std::u16string> files;  // written in this order; a trailing '/' makes a directory
    bool loaded;
    int messages;
    std::size_t sites;
  } cases[] = {
      {"exact name", {u"DGPSSites.csv"}, true, 0, 1},
      {"other case", {u"dgpssites.CSV"}, true, 0, 1},
      {"among other files", {u"readme.txt", u"DGPSSites.csv.bak", u"DGPSSites.csv"}, true, 0, 1},
      {"no such file", {u"readme.txt", u"DGPSSites.cs", u"XDGPSSites.csv"}, false, 0, 0},
      {"only ASCII letters fold", {u"DGPSS\u0131tes.csv"}, false, 0, 0},
      {"a directory of that name", {u"DGPSSITES.csv/"}, false, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    for (const auto& file : c.files) {
      if (file.back() == u'/') {
        std::filesystem::create_directory(dir.Path() / file.substr(0, file.size() - 1));
      } else {
        dir.Write(file, oneSite);
      }
    }
    SiteCatalogue catalogue;
    CountingReporter reporter;
    EXPECT_EQ(LoadSiteFile(dir.Path().u16string(), catalogue, reporter), c.loaded);
    EXPECT_EQ(reporter.failures, c.messages);
    EXPECT_EQ(catalogue.Count(), c.sites);
  }
}

TEST(LoadSiteFile, TakesTheDirectoryWithOrWithoutItsSeparator) {
  TempDir dir;
  dir.Write("DGPSSites.csv", "E,C,S,100\r\n");
  const std::u16string plain = dir.Path().u16string();
  const std::u16string gone = (dir.Path() / "gone").u16string();
  const std::u16string withSeparator = plain + platform::PathSeparator();
  const struct {
    std::optional<std::u16string_view> directory;
    bool loaded;
  } cases[] = {{plain, true}, {withSeparator, true}, {std::nullopt, false}, {u"", false}, {gone, false}};
  for (const auto& c : cases) {
    SiteCatalogue catalogue;
    CountingReporter reporter;
    EXPECT_EQ(LoadSiteFile(c.directory, catalogue, reporter), c.loaded);
    EXPECT_EQ(catalogue.Count(), c.loaded ? 1u : 0u);
    EXPECT_EQ(reporter.failures, 0);
  }
}

TEST(LoadSiteFile, EmptyFileCountsAsLoaded) {
  TempDir dir;
  dir.Write("DGPSSites.csv", "");
  SiteCatalogue catalogue;
  CountingReporter reporter;
  EXPECT_TRUE(LoadSiteFile(dir.Path().u16string(), catalogue, reporter));
  EXPECT_EQ(catalogue.Count(), 0u);
}

}  // namespace
}  // namespace skylark

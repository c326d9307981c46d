#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/files.h"
#include "sites/site_file.h"
#include "tests/sites/site_test_files.h"

namespace skylark {
namespace {

using testing::CountingReporter;
using testing::TempDir;

// "/." steps (and one "//" for an odd count) lengthen the path of an existing directory to any
// size we need without ending it in a separator.
std::u16string Padded(const TempDir& dir, std::size_t length) {
  std::u16string path = dir.Path().u16string();
  while (path.size() + 2 <= length) path += u"/.";
  if (path.size() < length) path.insert(path.size() - 1, u"/");
  return path;
}

TEST(LoadSiteFilePosix, PathMayHoldAtMost259Characters) {
  TempDir dir;
  dir.Write("DGPSSites.csv", "E,C,S,100\r\n");
  const std::size_t nameAndSeparator = kSiteFileName.size() + 1;
  const struct {
    std::size_t pathLength;
    bool loaded;
  } cases[] = {{258, true}, {259, true}, {260, false}, {400, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pathLength);
    const std::u16string directory = Padded(dir, c.pathLength - nameAndSeparator);
    ASSERT_EQ(directory.size() + nameAndSeparator, c.pathLength);
    ASSERT_NE(directory.back(), u'/');
    SiteCatalogue catalogue;
    CountingReporter reporter;
    EXPECT_EQ(LoadSiteFile(directory, catalogue, reporter), c.loaded);
    EXPECT_EQ(catalogue.Count(), c.loaded ? 1u : 0u);
  }
}

// Only a regular file is read: anything else of that name is reported, and a FIFO must not
// block the caller waiting for a writer.
TEST(LoadSiteFilePosix, OtherKindsOfEntryAreReported) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir.Path() / "DGPSSites.csv").c_str(), 0600), 0);
  SiteCatalogue catalogue;
  CountingReporter reporter;
  EXPECT_FALSE(LoadSiteFile(dir.Path().u16string(), catalogue, reporter));
  EXPECT_EQ(reporter.failures, 1);
}

TEST(LoadSiteFilePosix, ReadsTheFirstMatchTheDirectoryLists) {
  TempDir dir;
  dir.Write("DGPSSites.csv", "E,C,Upper,100\r\n");
  dir.Write("dgpssites.csv", "E,C,Lower,100\r\n");
  std::vector<std::u16string> names;
  ASSERT_TRUE(platform::ListDirectory(dir.Path().u16string(), names));
  ASSERT_EQ(names.size(), 2u);
  SiteCatalogue catalogue;
  CountingReporter reporter;
  ASSERT_TRUE(LoadSiteFile(dir.Path().u16string(), catalogue, reporter));
  ASSERT_EQ(catalogue.Count(), 1u);
  EXPECT_EQ(catalogue.AllSites()[0]->Beacon, names[0] == u"DGPSSites.csv" ? u"Upper" : u"Lower");
}

TEST(SystemRootDirectoryPosix, ComesFromTheEnvironmentWhenSet) {
  const char* saved = std::getenv("SystemRoot");
  const std::string restore = saved != nullptr ? saved : "";
  ::setenv("SystemRoot", "/srv/G\xC3\xB6teborg", 1);
  EXPECT_EQ(platform::SystemRootDirectory(), std::u16string(u"/srv/G\u00F6teborg"));
  ::setenv("SystemRoot", "", 1);
  const auto fallback = platform::SystemRootDirectory();
  ASSERT_TRUE(fallback.has_value());
  EXPECT_NE(*fallback, u"");
  if (saved != nullptr) {
    ::setenv("SystemRoot", restore.c_str(), 1);
  } else {
    ::unsetenv("SystemRoot");
  }
}

}  // namespace
}  // namespace skylark

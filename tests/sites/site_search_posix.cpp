#include <gtest/gtest.h>

#include <sys/stat.h>

#include "tests/sites/site_test_files.h"

namespace skylark {
namespace {

using namespace testing;

// Directory, separator and name together may hold at most 259 characters, and only a regular
// file is read: a FIFO of that name would block the caller waiting for a writer.
TEST(LoadSiteFilePosix, RefusesLongPathsAndEntriesThatAreNoRegularFiles) {
  TempDir dir;
  for (const std::size_t length : {259u, 260u}) {
    const std::string sub(length - kSiteFileName.size() - 2 - dir.Path().string().size(), 'd');
    std::filesystem::create_directory(dir.Path() / sub);
    dir.Write(sub + "/DGPSSites.csv", "E,C,S,1");
    SiteCatalogue catalogue;
    CountingReporter reporter;
    EXPECT_EQ(LoadSiteFile((dir.Path() / sub).u16string(), catalogue, reporter), length == 259);
  }
  ASSERT_EQ(::mkfifo((dir.Path() / "DGPSSites.csv").c_str(), 0600), 0);
  SiteCatalogue catalogue;
  CountingReporter reporter;
  EXPECT_FALSE(LoadSiteFile(dir.Path().u16string(), catalogue, reporter));
  EXPECT_EQ(reporter.failures, 1);
}

}  // namespace
}  // namespace skylark

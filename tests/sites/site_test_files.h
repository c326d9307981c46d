#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "sites/site_catalogue.h"
#include "sites/site_file.h"

namespace skylark::testing {

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    static std::atomic<unsigned> serial{0};
    const auto tag = std::to_string(std::random_device{}()) + "-" + std::to_string(serial++);
    path_ = std::filesystem::temp_directory_path() / ("skylark-sites-" + tag);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }

  // Writes `bytes` exactly (binary) into the file `name` and returns its path.
  std::filesystem::path Write(const std::filesystem::path& name, std::string_view bytes) const {
    const auto file = path_ / name;
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
  }

 private:
  std::filesystem::path path_;
};

class CountingReporter final : public SiteFileReporter {
 public:
  void SiteFileOpenFailed() override { ++failures; }
  int failures = 0;
};

// The expected content of one site; the frequency is given in the file's whole hertz.
struct SiteRow {
  std::u16string region;
  std::u16string country;
  std::u16string beacon;
  int rate = 0;
  int hertz = 0;
  int id = 0;
  int id2 = 0;
};

inline void ExpectSites(const SiteCatalogue& catalogue, const std::vector<SiteRow>& expected) {
  ASSERT_EQ(catalogue.Count(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("site " + std::to_string(i));
    const BeaconSite& site = *catalogue.AllSites()[i];
    EXPECT_EQ(site.Region, expected[i].region);
    EXPECT_EQ(site.Country, expected[i].country);
    EXPECT_EQ(site.Beacon, expected[i].beacon);
    EXPECT_EQ(site.MskRate, expected[i].rate);
    EXPECT_DOUBLE_EQ(site.Frequency, expected[i].hertz / 1000.0);
    EXPECT_EQ(site.StationId, expected[i].id);
    EXPECT_EQ(site.StationId2, expected[i].id2);
  }
}

}  // namespace skylark::testing

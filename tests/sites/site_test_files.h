#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

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

  std::filesystem::path Write(const std::filesystem::path& name, std::string_view bytes) const {
    const auto file = path_ / name;
    std::ofstream(file, std::ios::binary).write(bytes.data(), std::ssize(bytes));
    return file;
  }

 private:
  std::filesystem::path path_;
};

struct CountingReporter final : SiteFileReporter {
  void SiteFileOpenFailed() override { ++failures; }
  int failures = 0;
};

}  // namespace skylark::testing

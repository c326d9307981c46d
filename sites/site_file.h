#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sites/beacon_site.h"
#include "sites/site_catalogue.h"

namespace skylark {

namespace platform {
class ByteFile;
}

inline constexpr std::u16string_view kSiteFileName = u"DGPSSites.csv";

// How the site file's one message reaches the user; the core never shows anything itself.
class SiteFileReporter {
 public:
  virtual ~SiteFileReporter() = default;
  // "Could not open Beacon Site file."
  virtual void SiteFileOpenFailed() = 0;
};

// Reads a site file a byte at a time (buffered underneath, with the same records).
class SiteFileReader {
 public:
  explicit SiteFileReader(platform::ByteFile& file) : file_(file) {}
  // The next byte; false at the end of the file or on a read error.
  bool Next(std::uint8_t& byte);

 private:
  platform::ByteFile& file_;
  std::uint8_t buffer_[4096];
  std::size_t size_ = 0;
  std::size_t at_ = 0;
  bool ended_ = false;
};

// Reads the next record into `site` through SetColumn. True while reading may go on; false at
// the end of the file and after a field of 256 bytes or more.
bool ReadSiteRecord(SiteFileReader& file, BeaconSite& site);

// Reads every record of the file at `path` and hands each one with a non-zero MskRate to the
// catalogue. False, after the message, when the file cannot be opened.
bool ReadSiteFile(std::u16string_view path, SiteCatalogue& catalogue, SiteFileReporter& reporter);

// Searches `directory` for the site file (name compared ignoring the case of A-Z only, entries of
// every kind) and reads the first match. False when no directory is given, it cannot be listed,
// no entry matches, the path would not fit, or the match cannot be opened.
bool LoadSiteFile(std::optional<std::u16string_view> directory, SiteCatalogue& catalogue,
                  SiteFileReporter& reporter);

}  // namespace skylark

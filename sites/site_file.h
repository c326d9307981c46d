#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// Looks for the site file as the programs do at start-up: in `first` (the current directory when
// unset), then, when neither directory is given, in the program's folder (where an installer puts
// it), then in `second` (the system root when unset); stops at the first that gives one. Each
// directory looked in is added to `searched`, so that the Tune page can say where it looked.
bool SearchSiteFile(const std::optional<std::u16string>& first, const std::optional<std::u16string>& second,
                    SiteCatalogue& catalogue, SiteFileReporter& reporter, std::vector<std::u16string>& searched);

// The site file a user names: read as it is, or searched for in it when it is a directory; an
// empty path searches where SearchSiteFile does by default. `searched` as there.
bool LoadSitesFrom(std::u16string_view path, SiteCatalogue& catalogue, SiteFileReporter& reporter,
                   std::vector<std::u16string>& searched);

// "No site file (DGPSSites.csv) was found in: <the directories searched>. ..."
std::u16string NoSiteFileText(const std::vector<std::u16string>& searched);

}  // namespace skylark

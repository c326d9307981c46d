#include "sites/site_file.h"

#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/files.h"
#include "resources/strings.h"

namespace skylark {
namespace {

// A field must stay below this many bytes; one that reaches it ends the file.
constexpr std::size_t kFieldLimit = 256;
constexpr int kColumns = 7;
// Directory, separator and name together, in characters: the longest path a Windows program
// without long-path support can open, kept everywhere so that a search behaves alike.
constexpr std::size_t kPathLimit = 259;

bool IsSiteFileName(std::u16string_view name) {
  if (name.size() != kSiteFileName.size()) return false;
  const auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (fold(name[i]) != fold(kSiteFileName[i])) return false;
  }
  return true;
}

}  // namespace

bool SiteFileReader::Next(std::uint8_t& byte) {
  if (at_ == size_) {
    std::size_t got = 0;
    if (ended_ || !file_.Read(buffer_, sizeof buffer_, got) || got == 0) {
      ended_ = true;
      return false;
    }
    size_ = got < sizeof buffer_ ? got : sizeof buffer_;
    at_ = 0;
  }
  byte = buffer_[at_++];
  return true;
}

bool ReadSiteRecord(SiteFileReader& file, BeaconSite& site) {
  char field[kFieldLimit];
  std::size_t pos = 0;
  int col = 0;
  std::uint8_t byte = 0;
  while (file.Next(byte)) {
    if (byte == '\r' || byte == '\n') {
      site.SetColumn(col, {field, pos});
      return true;
    }
    if (byte == ',') {
      site.SetColumn(col, {field, pos});
      pos = 0;
      // Whatever follows the seventh comma on the line starts the next record.
      if (++col == kColumns) return true;
      continue;
    }
    field[pos++] = static_cast<char>(byte);
    if (pos == kFieldLimit) return false;
  }
  if (pos != 0) site.SetColumn(col, {field, pos});
  return false;
}

bool ReadSiteFile(std::u16string_view path, SiteCatalogue& catalogue, SiteFileReporter& reporter) {
  const auto file = platform::OpenFileForReading(path);
  if (!file) {
    reporter.SiteFileOpenFailed();
    return false;
  }
  SiteFileReader reader(*file);
  bool more = true;
  while (more) {
    auto site = std::make_unique<BeaconSite>();
    more = ReadSiteRecord(reader, *site);
    // Header, blank and short lines end up with a zero rate; they are not sites.
    if (site->MskRate != 0) catalogue.AddSite(std::move(site));
  }
  return true;
}

bool LoadSiteFile(std::optional<std::u16string_view> directory, SiteCatalogue& catalogue,
                  SiteFileReporter& reporter) {
  // An empty directory has no last character to test for a separator; it names no directory.
  if (!directory || directory->empty()) return false;
  std::u16string path(*directory);
  if (path.back() != platform::PathSeparator()) path += platform::PathSeparator();
  // Only a name of the same length matches, so the final path length is known already.
  if (path.size() + kSiteFileName.size() > kPathLimit) return false;

  std::vector<std::u16string> names;
  if (!platform::ListDirectory(*directory, names)) return false;
  for (const auto& name : names) {
    if (IsSiteFileName(name)) return ReadSiteFile(path + name, catalogue, reporter);
  }
  return false;
}

bool SearchSiteFile(const std::optional<std::u16string>& first, const std::optional<std::u16string>& second,
                    SiteCatalogue& catalogue, SiteFileReporter& reporter, std::vector<std::u16string>& searched) {
  const bool besideProgram = !first && !second;
  const auto look = [&](const std::optional<std::u16string>& directory) {
    if (directory && !directory->empty()) searched.push_back(*directory);
    return directory && LoadSiteFile(std::u16string_view(*directory), catalogue, reporter);
  };
  return look(first.value_or(u".")) || (besideProgram && look(platform::ProgramDirectory())) ||
         look(second ? second : platform::SystemRootDirectory());
}

bool LoadSitesFrom(std::u16string_view path, SiteCatalogue& catalogue, SiteFileReporter& reporter,
                   std::vector<std::u16string>& searched) {
  if (path.empty()) return SearchSiteFile(std::nullopt, std::nullopt, catalogue, reporter, searched);
  std::error_code error;
  if (!std::filesystem::is_directory(std::filesystem::path(path), error)) return ReadSiteFile(path, catalogue, reporter);
  searched.emplace_back(path);
  return LoadSiteFile(path, catalogue, reporter);
}

std::u16string NoSiteFileText(const std::vector<std::u16string>& searched) {
  std::u16string places;
  for (const std::u16string& directory : searched) places += (places.empty() ? u"" : u", ") + directory;
  return resources::FormatText(resources::kNoSiteFileIn, {kSiteFileName, places});
}

}  // namespace skylark

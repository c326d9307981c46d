// Site file bytes -> catalogue. Any file must load without harm, and the catalogue must keep its
// promises to the Tune page (which site a station ID finds is SiteCatalogue.IndexesTheSitesOfAFile's).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/files.h"
#include "sites/site_catalogue.h"
#include "sites/site_file.h"

namespace {

using skylark::BeaconSite;
using skylark::SiteCatalogue;

// The file in memory, handed out in reads of at most `chunk` bytes like a slow disk would.
class MemoryFile final : public skylark::platform::ByteFile {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size, std::size_t chunk)
      : data_(data), size_(size), chunk_(chunk) {}
  bool Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) override {
    got = std::min({count, chunk_, size_ - at_});
    std::copy_n(data_ + at_, got, buffer);
    at_ += got;
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t chunk_;
  std::size_t at_ = 0;
};

void Load(const std::uint8_t* data, std::size_t size, std::size_t chunk, SiteCatalogue& catalogue) {
  MemoryFile file(data, size, chunk);
  skylark::SiteFileReader reader(file);
  bool more = true;
  while (more) {
    auto site = std::make_unique<BeaconSite>();
    more = skylark::ReadSiteRecord(reader, *site);
    if (site->MskRate != 0) catalogue.AddSite(std::move(site));
  }
}

void Require(bool holds) {
  if (!holds) std::abort();
}

bool Latin1(const std::u16string& text) {
  return text.size() <= 255 &&
         std::all_of(text.begin(), text.end(), [](char16_t c) { return c <= 0xFF && c != 0; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks how the file is handed out; the rest is the file.
  const std::size_t chunk = 1 + data[0] % 7;
  ++data;
  --size;

  SiteCatalogue catalogue;
  Load(data, size, size == 0 ? 1 : size, catalogue);

  std::size_t listed = 0;
  for (const auto& [region, countries] : catalogue.Regions()) {
    Require(!countries.empty());
    for (const auto& [country, sites] : countries) {
      Require(!sites.empty());
      for (const BeaconSite* site : sites) {
        Require(site->Region == region && site->Country == country);
        ++listed;
      }
    }
  }
  Require(listed == catalogue.Count());

  for (const auto& site : catalogue.AllSites()) {
    Require(site->MskRate != 0);
    Require(Latin1(site->Region) && Latin1(site->Country) && Latin1(site->Beacon));
    // Each site is listed exactly once under its own region and country.
    const auto& sites = catalogue.Regions().at(site->Region).at(site->Country);
    Require(std::count(sites.begin(), sites.end(), site.get()) == 1);
  }

  // However the bytes arrive, the same sites come out.
  SiteCatalogue again;
  Load(data, size, chunk, again);
  Require(again.Count() == catalogue.Count());
  for (std::size_t i = 0; i < again.Count(); ++i) Require(*again.AllSites()[i] == *catalogue.AllSites()[i]);
  return 0;
}

#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace skylark {

// One beacon site: a line of the site file, the current site, or a record restored from the
// settings. Field names are those of the settings values they persist to.
struct BeaconSite {
  std::u16string Region;
  std::u16string Country;
  std::u16string Beacon;
  std::uint8_t MskRate = 0;      // bits per second
  double Frequency = 0.0;        // kHz
  std::uint16_t StationId = 0;   // shown as the station ID and saved as "SID"
  std::uint16_t StationId2 = 0;  // a further key of the station-ID index only

  // Makes this record equal to `other` in all seven fields.
  void CopyFrom(const BeaconSite& other) { *this = other; }

  // Stores one site-file field (its 8-bit text, without the separator) into the field of
  // `column` (0 to 6); any other column is ignored. A NUL byte ends the value.
  void SetColumn(int column, std::string_view bytes);

  bool operator==(const BeaconSite&) const = default;
};

}  // namespace skylark

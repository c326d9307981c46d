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

// The name a site tuned by frequency alone carries in place of its region, country and beacon.
inline constexpr std::u16string_view kNoSiteName = u"-";

// The site a tune by frequency and rate makes current: no station, kNoSiteName for its names.
BeaconSite FrequencySite(double frequencyKhz, std::uint8_t mskRate);

// The DGPS radio-beacon band, 283.5 to 325.0 kHz, and its MSK bit rates, 100 and 200 bit/s.
// A receiver reporting a value outside them has not found a beacon yet.
inline constexpr double kBandLowestKhz = 283.5;
inline constexpr double kBandHighestKhz = 325.0;
inline constexpr int kSlowestMskRate = 100;
inline constexpr int kFastestMskRate = 200;
bool InBeaconBand(double frequencyKhz);
bool IsBeaconRate(int bitRate);

// The tune sentence carries the frequency with one decimal in five characters: 0.1 to 9999.9
// kHz can be sent, anything that rounds to 0.0 cannot. The rate is 8 bits and must not be 0.
inline constexpr double kLowestTunableKhz = 0.1;
inline constexpr double kHighestTunableKhz = 9999.9;
inline constexpr int kLowestTunableRate = 1;
inline constexpr int kHighestTunableRate = 0xFF;
bool IsTunableFrequency(double frequencyKhz);
bool IsTunableRate(int bitRate);
// A site the receiver can be tuned to names both a tunable frequency and a tunable rate.
bool IsTunable(const BeaconSite& site);

}  // namespace skylark

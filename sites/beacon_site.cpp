#include "sites/beacon_site.h"

#include <cmath>
#include <cstdint>

namespace skylark {
namespace {

// The C library's atoi rule (blanks, one sign, digits up to the first other byte), except that
// an overlong number wraps like 32-bit two's complement instead of being undefined.
std::int32_t ToInteger(std::string_view bytes) {
  std::size_t at = 0;
  const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (at < bytes.size() && blank(bytes[at])) ++at;
  bool negative = false;
  if (at < bytes.size() && (bytes[at] == '+' || bytes[at] == '-')) negative = bytes[at++] == '-';
  std::uint32_t value = 0;
  for (; at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9'; ++at) {
    value = value * 10u + static_cast<std::uint32_t>(bytes[at] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

// Each byte becomes the character of the same code: the file is Latin-1 text.
std::u16string Widen(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (const char c : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(c));
  return text;
}

}  // namespace

void BeaconSite::SetColumn(int column, std::string_view bytes) {
  if (const auto nul = bytes.find('\0'); nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  switch (column) {
    case 0: Region = Widen(bytes); break;
    case 1: Country = Widen(bytes); break;
    case 2: Beacon = Widen(bytes); break;
    case 3: MskRate = static_cast<std::uint8_t>(ToInteger(bytes)); break;
    case 4: Frequency = static_cast<double>(ToInteger(bytes)) * 0.001; break;
    case 5: StationId = static_cast<std::uint16_t>(ToInteger(bytes)); break;
    case 6: StationId2 = static_cast<std::uint16_t>(ToInteger(bytes)); break;
    default: break;
  }
}

BeaconSite FrequencySite(double frequencyKhz, std::uint8_t mskRate) {
  BeaconSite site;
  site.Region = site.Country = site.Beacon = kNoSiteName;
  site.Frequency = frequencyKhz;
  site.MskRate = mskRate;
  return site;
}

bool InBeaconBand(double frequencyKhz) { return frequencyKhz >= kBandLowestKhz && frequencyKhz <= kBandHighestKhz; }

bool IsBeaconRate(int bitRate) { return bitRate >= kSlowestMskRate && bitRate <= kFastestMskRate; }

bool IsTunableFrequency(double frequencyKhz) {
  // Compared in tenths, as the sentence writes it: 0.04 kHz would go out as "  0.0".
  const double tenths = std::round(frequencyKhz * 10.0);
  return tenths >= std::round(kLowestTunableKhz * 10.0) && tenths <= std::round(kHighestTunableKhz * 10.0);
}

bool IsTunableRate(int bitRate) { return bitRate >= kLowestTunableRate && bitRate <= kHighestTunableRate; }

bool IsTunable(const BeaconSite& site) { return IsTunableFrequency(site.Frequency) && IsTunableRate(site.MskRate); }

}  // namespace skylark

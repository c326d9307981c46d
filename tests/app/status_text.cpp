#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/status_text.h"

namespace skylark {
namespace {

TEST(StatusText, WhatTheStatusPageShows) {
  struct Case {
    std::u16string beacon;
    std::uint16_t station;
    double frequency;
    std::int32_t rate, strength, snr;
    bool open;
    StatusTexts expected;
  };
  const Case cases[] = {
      {u"", 0, 283.5, 100, 42, 7, true,
       {u"None", u"None", u"283.5 kHz", u"100 bps", u"Yes", u"42", u"7"}},
      {u"-", 65535, 325.0, 200, 42, 6, true,
       {u"None", u"65535", u"325.0 kHz", u"200 bps", u"No", u"42", u"6"}},
      {u"Hoek", 1, 300.04, 150, -5, -3, true,
       {u"Hoek", u"1", u"300.0 kHz", u"150 bps", u"No", u"0", u"0"}},
      {u"Hoek", 1, 283.4, 99, 0, 0, true, {u"Hoek", u"1", {}, {}, u"No", u"0", u"0"}},
      {u"Hoek", 1, 325.1, 201, 0, 0, true, {u"Hoek", u"1", {}, {}, u"No", u"0", u"0"}},
      {u"Hoek", 1, -300.0, -150, 0, 0, true, {u"Hoek", u"1", {}, {}, u"No", u"0", u"0"}},
      {u"Automatic", 0, 300.0, 200, 42, 15, false,
       {u"Automatic", u"None", u"300.0 kHz", u"200 bps", u"Port not open", u"N/A", u"N/A"}},
  };
  for (const Case& c : cases) {
    const BeaconSite site{u"", u"", c.beacon, 0, 0.0, c.station};
    const StatusTexts t = FormatStatus(site, {c.frequency, c.rate, c.snr, c.strength}, c.open);
    const StatusTexts& e = c.expected;
    SCOPED_TRACE(&c - cases);
    EXPECT_EQ(t.site, e.site);
    EXPECT_EQ(t.stationId, e.stationId);
    EXPECT_EQ(t.frequency, e.frequency);
    EXPECT_EQ(t.mskRate, e.mskRate);
    EXPECT_EQ(t.locked, e.locked);
    EXPECT_EQ(t.signalStrength, e.signalStrength);
    EXPECT_EQ(t.snr, e.snr);
  }
}

}  // namespace
}  // namespace skylark

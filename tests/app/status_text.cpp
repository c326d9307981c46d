#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

#include "app/status_text.h"

namespace skylark {
namespace {

using namespace std::chrono_literals;

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
      {u"Hoek", 1, 325.1, 201, 0, 0, true, {u"Hoek", u"1", {}, {}, u"No", u"0", u"0"}},
      {u"Automatic", 0, 300.0, 200, 42, 15, false,
       {u"Automatic", u"None", u"300.0 kHz", u"200 bps", u"Port not open", u"N/A", u"N/A"}},
  };
  for (const Case& c : cases) {
    const BeaconSite site{u"", u"", c.beacon, 0, 0.0, c.station};
    const StatusTexts t = FormatStatus(site, {c.frequency, c.rate, c.snr, c.strength}, c.open);
    const auto shown = [](const StatusTexts& s) {
      return std::tuple(s.site, s.stationId, s.frequency, s.mskRate, s.locked, s.signalStrength, s.snr);
    };
    EXPECT_EQ(shown(t), shown(c.expected)) << &c - cases;
    EXPECT_FALSE(t.stale);
  }
}

// The health values are the last ones heard; once the receiver has been silent for three of its
// status intervals (and at least 3 s) they are no longer what it hears now.
TEST(StatusText, AReadingGoesStaleAfterThreeSilentIntervals) {
  const auto arrived = std::chrono::steady_clock::time_point(100s);
  struct Case {
    std::chrono::milliseconds age;
    std::uint32_t interval;
    bool open, hasReading;
    std::u16string ageText;  // empty: current
  };
  const Case cases[] = {
      {3000ms, 1, true, true, u""},
      {3001ms, 1, true, true, u"No reading for 3 s"},
      {3000ms, 0, true, true, u""},  // no status output: still at least 3 s
      {9999ms, 0, true, true, u"No reading for 9 s"},
      {300s, 100, true, true, u""},
      {301s, 100, true, true, u"No reading for 301 s"},
      {60s, 1, false, true, u""},   // a closed port says so itself
      {60s, 1, true, false, u""},   // nothing heard yet: nothing to age
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    ReceiverStatus status{300.0, 200, 15, 42, true};
    if (c.hasReading) status.received = ReadingTime{arrived, {}};
    const StatusTexts t = FormatStatus({}, status, c.open, StatusClock{arrived + c.age, c.interval});
    EXPECT_EQ(t.stale, !c.ageText.empty());
    EXPECT_EQ(t.age, c.ageText);
    // Stale values are still shown, for the user to judge.
    if (c.open) {
      EXPECT_EQ(t.snr, u"15");
    }
  }
}

// A port that has given no reading since it was opened (a silent receiver, one left without status
// output) shows its values stale from the start; a write-only port shows none.
TEST(StatusText, NoReadingSinceTheOpenIsStaleAndAWriteOnlyPortShowsNoHealth) {
  const auto opened = std::chrono::steady_clock::time_point(100s);
  struct Case {
    const char* legend;
    std::optional<std::chrono::seconds> arrived;  // the reading's time
    bool readable;
    std::u16string age, snr;
  };
  const Case cases[] = {
      {"nothing heard", {}, true, u"No reading since the port was opened 7 s ago", u"0"},
      {"heard on an earlier open", 90s, true, u"No reading since the port was opened 7 s ago", u"15"},
      {"heard since", 106s, true, u"", u"15"},
      {"write-only", {}, false, u"", u"N/A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    ReceiverStatus status{300.0, 200, c.arrived ? 15 : 0, 42, false};
    if (c.arrived) status.received = ReadingTime{std::chrono::steady_clock::time_point(*c.arrived), {}};
    LinkView link(true);
    link.readable = c.readable;
    link.openedAt = opened;
    const StatusTexts t = FormatStatus({}, status, link, StatusClock{opened + 7s, 1});
    EXPECT_EQ(t.age, c.age);
    EXPECT_EQ(t.stale, !c.age.empty());
    EXPECT_EQ(t.snr, c.snr);
    EXPECT_EQ(t.locked, !c.readable ? u"N/A" : c.arrived ? u"Yes" : u"No");
  }
  EXPECT_EQ(FormatListFrequency(1e300), u"N/A");
}

}  // namespace
}  // namespace skylark

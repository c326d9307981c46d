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

// The health values are the last ones heard, still shown for the user to judge; once the receiver
// has been silent for three of its status intervals (and at least 3 s) they are stale. A port that
// has given no reading since it was opened (a silent receiver, one left without status output)
// shows its values stale from the start; a write-only port shows none.
TEST(StatusText, AReadingGoesStaleAfterThreeSilentIntervalsOrWhenNoneCameSinceTheOpen) {
  const auto t0 = std::chrono::steady_clock::time_point(100s);
  struct Case {
    std::optional<std::chrono::milliseconds> heard;  // after t0; none: nothing heard
    std::chrono::milliseconds now;                   // after t0
    std::uint32_t interval;
    char link;  // '-' closed, 'o' open, 'O' opened at t0, 'w' opened at t0 for writing only
    std::u16string age, snr, locked;  // age empty: current
  };
  const Case cases[] = {
      {0ms, 3000ms, 0, 'o', u"", u"15", u"Yes"},  // no status output: still at least 3 s
      {0ms, 9999ms, 0, 'o', u"No reading for 9 s", u"15", u"Yes"},
      {0ms, 300s, 100, 'o', u"", u"15", u"Yes"},
      {0ms, 301s, 100, 'o', u"No reading for 301 s", u"15", u"Yes"},
      {0ms, 60s, 1, '-', u"", u"N/A", u"Port not open"},  // a closed port says so itself
      {{}, 60s, 1, 'o', u"", u"0", u"No"},                 // nothing heard yet: nothing to age
      {{}, 7s, 1, 'O', u"No reading since the port was opened 7 s ago", u"0", u"No"},
      {-10s, 7s, 1, 'O', u"No reading since the port was opened 7 s ago", u"15", u"Yes"},  // an earlier open's
      {6s, 7s, 1, 'O', u"", u"15", u"Yes"},
      {{}, 7s, 1, 'w', u"", u"N/A", u"N/A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    ReceiverStatus status{300.0, 200, c.heard ? 15 : 0, 42, c.heard.has_value()};
    if (c.heard) status.received = ReadingTime{t0 + *c.heard, {}};
    LinkView link(c.link != '-');
    link.readable = c.link != 'w';
    if (c.link == 'O' || c.link == 'w') link.openedAt = t0;
    const StatusTexts t = FormatStatus({}, status, link, StatusClock{t0 + c.now, c.interval});
    EXPECT_EQ(t.age, c.age);
    EXPECT_EQ(t.stale, !c.age.empty());
    EXPECT_EQ((std::tuple(t.snr, t.locked)), (std::tuple(c.snr, c.locked)));
  }
  EXPECT_EQ(FormatListFrequency(1e300), u"N/A");
}

}  // namespace
}  // namespace skylark

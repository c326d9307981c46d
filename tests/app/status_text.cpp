#include <gtest/gtest.h>

#include <clocale>
#include <optional>
#include <string>

#include "app/status_text.h"

namespace skylark {
namespace {

using Text = std::optional<std::u16string>;

TEST(StatusText, FrequencyAndRateOnlyWithinTheirRanges) {
  struct Case {
    double frequency;
    std::int32_t rate;
    Text frequencyText;
    Text rateText;
  };
  const Case cases[] = {
      {283.5, 100, u"283.5 kHz", u"100 bps"},
      {325.0, 200, u"325.0 kHz", u"200 bps"},
      {300.04, 150, u"300.0 kHz", u"150 bps"},
      {283.4, 99, std::nullopt, std::nullopt},
      {325.1, 201, std::nullopt, std::nullopt},
      {0.0, 0, std::nullopt, std::nullopt},
      {-300.0, -150, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    ReceiverStatus status;
    status.frequency = c.frequency;
    status.mskRate = c.rate;
    const StatusTexts texts = FormatStatus({}, status, true);
    EXPECT_EQ(texts.frequency, c.frequencyText) << c.frequency;
    EXPECT_EQ(texts.mskRate, c.rateText) << c.rate;
  }
}

TEST(StatusText, SiteStationAndHealth) {
  struct Case {
    std::u16string beacon;
    std::uint16_t station;
    std::int32_t strength;
    std::int32_t snr;
    bool open;
    StatusTexts expected;
  };
  const Case cases[] = {
      {u"", 0, 42, 7, true, {u"None", u"None", {}, {}, u"Yes", u"42", u"7"}},
      {u"-", 65535, 42, 6, true, {u"None", u"65535", {}, {}, u"No", u"42", u"6"}},
      {u"Hoek van Holland", 1, -5, -3, true, {u"Hoek van Holland", u"1", {}, {}, u"No", u"0", u"0"}},
      {u"Automatic", 0, 42, 15, false, {u"Automatic", u"None", {}, {}, u"Port not open", u"N/A", u"N/A"}},
  };
  for (const Case& c : cases) {
    BeaconSite site;
    site.Beacon = c.beacon;
    site.StationId = c.station;
    ReceiverStatus status;
    status.signalStrength = c.strength;
    status.snr = c.snr;
    const StatusTexts t = FormatStatus(site, status, c.open);
    EXPECT_EQ(t.site, c.expected.site);
    EXPECT_EQ(t.stationId, c.expected.stationId);
    EXPECT_EQ(t.locked, c.expected.locked) << c.snr;
    EXPECT_EQ(t.signalStrength, c.expected.signalStrength);
    EXPECT_EQ(t.snr, c.expected.snr);
  }
}

TEST(StatusText, ListTextsIgnoreTheLocale) {
  // A locale with a decimal comma, where the machine has one; the texts must not change.
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  ReceiverStatus status;
  status.frequency = 301.5;
  EXPECT_EQ(FormatStatus({}, status, true).frequency, Text(u"301.5 kHz"));
  EXPECT_EQ(FormatListFrequency(283.5), u"283.5");
  EXPECT_EQ(FormatListFrequency(7.25), u"7.2");
  EXPECT_EQ(FormatListRate(200), u"200");
  std::setlocale(LC_NUMERIC, previous.c_str());
}

}  // namespace
}  // namespace skylark

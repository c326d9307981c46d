#include "ui/rules/status_rules.h"

#include <optional>
#include <string>
#include <vector>

#include "tests/ui_rules/page_fixture_posix.h"

namespace skylark::testing {
namespace {

using Texts = std::vector<std::u16string>;

using namespace std::chrono_literals;

ReceiverStatus Reading(double frequency, std::int32_t rate, std::int32_t snr = 0,
                       std::int32_t strength = 0, std::optional<ReadingTime> received = {}) {
  ReceiverStatus status;
  status.frequency = frequency;
  status.mskRate = rate;
  status.snr = snr;
  status.signalStrength = strength;
  status.received = received;
  return status;
}

Texts FieldsOf(const rules::StatusRules& page) {
  const rules::StatusFields& f = page.Fields();
  return {f.site, f.frequency, f.rate, f.station, f.locked, f.signal, f.snr};
}

class StatusRulesTest : public PageFixture {};

TEST_F(StatusRulesTest, FieldsShowOnlyWhatIsInRange) {
  const struct {
    const char* legend;
    bool linkOpen;
    SharedState state;
    Texts fields;  // site, frequency, rate, station, locked, signal, SNR
  } cases[] = {
      {"out of range, negatives", true, {{u"", u"", u"-", 0, 0.0, 65535}, Reading(325.1, 99, -3, -9)},
       {u"None", u"300.0 kHz", u"200 bps", u"65535", u"No", u"0", u"0"}},
      {"rate apart from frequency, link closed", false, {{}, Reading(325.0, -100, 20, 60)},
       {u"None", u"325.0 kHz", u"200 bps", u"None", u"Port not open", u"N/A", u"N/A"}},
  };
  for (const auto& c : cases) {
    if (c.linkOpen) {
      ASSERT_TRUE(OpenLink());
    }
    rules::SheetRules sheet(app_);
    app_.UpdateState([](SharedState& state) { state.status = Reading(300.0, 200); });
    sheet.Activate(rules::kStatusTab);
    EXPECT_EQ(app_.ActivePageValue(), kStatusPage);
    app_.UpdateState([&](SharedState& state) { state = c.state; });
    sheet.OnSiteChanged();
    sheet.OnStatusChanged();
    EXPECT_EQ(FieldsOf(sheet.Status()), c.fields) << c.legend;
    Port().Close();
  }
}

TEST_F(StatusRulesTest, TheFirstActivationFillsEveryFieldAndNotificationsBeforeItNone) {
  app_.SetCurrentSite(BeaconSite{u"Europe", u"Denmark", u"Skagen", 100, 296.5, 452});
  app_.UpdateState([](SharedState& state) { state.status = Reading(296.5, 100, 9, 50); });
  sheet_.OnSiteChanged();
  sheet_.OnStatusChanged();
  EXPECT_EQ(FieldsOf(sheet_.Status()), Texts(7, u"N/A"));
  EXPECT_TRUE(sheet_.Tune().List(rules::TuneList::Region).entries.empty());
  sheet_.Activate(rules::kStatusTab);
  EXPECT_EQ(FieldsOf(sheet_.Status()), (Texts{u"Skagen", u"296.5 kHz", u"100 bps", u"452",
                                              u"Port not open", u"N/A", u"N/A"}));
}

// Health values greyed with their age once no reading came for three intervals (at least 3 s),
// back with the next reading.
TEST_F(StatusRulesTest, AReadingGrowsStaleAndTheNextOneIsFresh) {
  ASSERT_TRUE(OpenLink());
  const auto start = std::chrono::steady_clock::now();
  auto now = start;
  rules::StatusRules page(app_, [&] { return now; });
  const auto hear = [&](std::int32_t snr) {
    const ReadingTime at{now, std::chrono::system_clock::now()};
    app_.UpdateState([&](SharedState& state) { state.status = Reading(300.0, 200, snr, 50, at); });
    page.OnStatusChanged();
  };
  page.InitDialog();
  page.SetActive();
  hear(9);
  const struct {
    std::chrono::milliseconds after;
    bool changed;
    bool stale;
    const char16_t* age;
  } ticks[] = {{1s, false, false, u""}, {3000ms, false, false, u""}, {3500ms, true, true, u"No reading for 3 s"},
               {3900ms, false, true, u"No reading for 3 s"}, {5s, true, true, u"No reading for 5 s"}};
  for (const auto& t : ticks) {
    now = start + t.after;
    EXPECT_EQ(page.OnClock(), t.changed) << t.after.count();
    EXPECT_EQ(page.Fields().stale, t.stale) << t.after.count();
    EXPECT_EQ(page.Fields().age, t.age) << t.after.count();
  }
  EXPECT_EQ(page.Fields().snr, u"9");  // the last value heard, greyed
  hear(6);
  EXPECT_FALSE(page.Fields().stale);
  EXPECT_EQ(page.Fields().locked, u"No");
}

}  // namespace
}  // namespace skylark::testing

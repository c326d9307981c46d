#include "ui/rules/status_rules.h"

#include <string>
#include <vector>

#include "tests/ui_rules/page_fixture_posix.h"

namespace skylark::testing {
namespace {

using Texts = std::vector<std::u16string>;

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
      {"in range, locked", true, {{u"", u"", u"Skagen", 0, 0.0, 452}, {283.5, 150, 7, 41}},
       {u"Skagen", u"283.5 kHz", u"150 bps", u"452", u"Yes", u"41", u"7"}},
      {"out of range, negatives", true, {{u"", u"", u"-", 0, 0.0, 65535}, {325.1, 99, -3, -9}},
       {u"None", u"300.0 kHz", u"200 bps", u"65535", u"No", u"0", u"0"}},
      {"rate apart from frequency, link closed", false, {{}, {325.0, -100, 20, 60}},
       {u"None", u"325.0 kHz", u"200 bps", u"None", u"Port not open", u"N/A", u"N/A"}},
  };
  for (const auto& c : cases) {
    if (c.linkOpen) {
      ASSERT_TRUE(OpenLink());
    }
    rules::SheetRules sheet(app_);
    app_.UpdateState([](SharedState& state) { state.status = {300.0, 200}; });
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
  app_.UpdateState([](SharedState& state) { state.status = {296.5, 100, 9, 50}; });
  sheet_.OnSiteChanged();
  sheet_.OnStatusChanged();
  EXPECT_EQ(FieldsOf(sheet_.Status()), Texts(7, u"N/A"));
  sheet_.Activate(rules::kStatusTab);
  EXPECT_EQ(FieldsOf(sheet_.Status()), (Texts{u"Skagen", u"296.5 kHz", u"100 bps", u"452",
                                              u"Port not open", u"N/A", u"N/A"}));
}

}  // namespace
}  // namespace skylark::testing

#include "ui/rules/tune_rules.h"

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "resources/strings.h"
#include "tests/ui_rules/page_fixture_posix.h"

namespace skylark::testing {
namespace {

using rules::TuneList;
using Texts = std::vector<std::u16string>;

class TuneRulesTest : public PageFixture {
 protected:
  void SetUp() override {
    for (BeaconSite site : {BeaconSite{u"Europe", u"Denmark", u"Skagen", 100, 296.5, 452},
                            BeaconSite{u"Europe", u"Denmark", u"blavand", 100, 290.0, 453},
                            BeaconSite{u"Europe", u"Denmark", u"Skagen", 200, 299.0, 454},
                            BeaconSite{u"Asia", u"Japan", u"Daiozaki", 200, 288.0, 880},
                            BeaconSite{u"Asia", u"Japan", u"Muroto", 0, 0.0, 881}}) {
      app_.Catalogue().AddSite(std::make_unique<BeaconSite>(site));
    }
  }
  rules::TuneRules& Page() { return sheet_.Tune(); }
  void Choose(TuneList list, const std::u16string& text) {
    const Texts entries = Page().List(list).entries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (entries[i] == text) return Page().Choose(list, static_cast<int>(i));
    }
    ADD_FAILURE() << "no entry " << resources::ToUtf8(text);
  }
  std::u16string Chosen(TuneList list) {
    const rules::ListState state = Page().List(list);
    return state.selected < 0 ? u"(none)" : state.entries[static_cast<std::size_t>(state.selected)];
  }
};

// The lists follow the current site, also while another region is browsed: its region, country
// and beacons, never its country over another country's beacons. A region browsed leaves no
// beacon to tune, and the current site stays.
TEST_F(TuneRulesTest, ListsAreSortedAndFollowTheCurrentSite) {
  const BeaconSite skagen{u"EUROPE", u"denmark", u"skagen", 200, 299.0, 454};
  ASSERT_TRUE(OpenLink());
  app_.SetCurrentSite(skagen);
  app_.SetTuneMode(kTuneBySite);
  sheet_.Activate(kTunePage);
  const Texts frequencies = Page().List(TuneList::Frequency).entries;
  ASSERT_EQ(frequencies.size(), 85u);
  EXPECT_EQ((Texts{frequencies[0], frequencies[1], frequencies[2], frequencies.back()}),
            (Texts{u"", u"283.5", u"284.0", u"325.0"}));
  EXPECT_EQ(Page().List(TuneList::Rate).entries, (Texts{u"", u"100", u"200"}));
  EXPECT_TRUE(Page().TuneButton().enabled);
  Choose(TuneList::Region, u"Asia");
  EXPECT_EQ(Page().List(TuneList::Country).entries, (Texts{u"", u"Japan"}));
  EXPECT_EQ(Page().List(TuneList::Beacon).entries, Texts{u""});
  EXPECT_EQ(Chosen(TuneList::Beacon), u"(none)");
  EXPECT_FALSE(Page().TuneButton().enabled || Page().BeginTune());
  EXPECT_EQ(app_.CurrentSite().Beacon, u"skagen");
  Choose(TuneList::Country, u"Japan");
  app_.SetCurrentSite(skagen);
  sheet_.OnSiteChanged();
  EXPECT_EQ((Texts{Chosen(TuneList::Region), Chosen(TuneList::Country), Chosen(TuneList::Frequency)}),
            (Texts{u"Europe", u"Denmark", u"299.0"}));
  EXPECT_EQ(Page().List(TuneList::Beacon).entries, (Texts{u"", u"blavand", u"Skagen", u"Skagen"}));
  app_.SetCurrentSite(BeaconSite{u"-", u"-", u"-", 0, 0.0, 0});
  sheet_.OnSiteChanged();
  for (TuneList list : {TuneList::Frequency, TuneList::Rate, TuneList::Region, TuneList::Beacon}) {
    EXPECT_EQ(Chosen(list), u"");
  }
}

// Without both a frequency and a rate, or for a site that lacks one, nothing is tuned.
TEST_F(TuneRulesTest, ABlankFrequencyOrRateIsNeverTuned) {
  ASSERT_TRUE(OpenLink());
  app_.SetCurrentSite(BeaconSite{u"Asia", u"Japan", u"Muroto", 0, 0.0, 881});
  sheet_.Activate(kTunePage);
  Page().CheckMode(kTuneBySite);
  EXPECT_TRUE(Page().TuneButton().enabled);
  EXPECT_FALSE(Page().BeginTune());
  EXPECT_EQ(TextOf(Page().Refusal()), u"The site file gives this beacon no frequency or no MSK rate, so it cannot be tuned.");
  // Nor does the core send a blank tune, whoever asks.
  app_.SetTuneMode(kTuneByFrequency);
  EXPECT_FALSE(app_.Tune(1));
  EXPECT_EQ(receiver_.Receive(1, std::chrono::milliseconds(50)), "");
}

// A port opened for reading only (the input group of the two-port layout) cannot take a tune:
// Tune stays disabled and the page says why.
TEST_F(TuneRulesTest, EnablingFollowsModeLinkAndBeacon) {
  const struct {
    char link;  // '-' closed, 'w' open for reading and writing, 'r' for reading only
    std::int32_t mode;
    bool beacon;  // a beacon chosen, else a frequency without a rate
    const char* enabled;  // radios, Tune, then the frequency, rate, region, country, beacon lists
  } cases[] = {
      {'-', kTuneAutomatic, true, "-------"}, {'-', kTuneByFrequency, true, "-------"},
      {'-', kTuneBySite, true, "-------"},    {'w', kTuneAutomatic, false, "RT-----"},
      {'w', kTuneByFrequency, false, "R-FR---"}, {'w', kTuneByFrequency, true, "RTFR---"},
      {'w', kTuneBySite, true, "RT--RCB"},
      {'w', kTuneBySite, false, "R---RCB"},    {'w', -1, false, "R------"},
      {'r', kTuneAutomatic, true, "R------"},  {'r', kTuneBySite, true, "R---RCB"},
  };
  for (const auto& c : cases) {
    rules::SheetRules sheet(app_);
    if (c.link != '-') {
      ASSERT_TRUE(Port().Open(u"COM4:", c.link == 'r' ? AccessMode::Read : AccessMode::ReadWrite));
    }
    app_.SetCurrentSite(c.beacon ? BeaconSite{u"Europe", u"Denmark", u"Skagen", 100, 296.5, 452}
                                 : BeaconSite{u"", u"", u"", 0, 296.5, 0});
    app_.SetTuneMode(c.mode);
    sheet.Activate(kTunePage);
    rules::TuneRules& page = sheet.Tune();
    std::string enabled{page.RadiosEnabled() ? 'R' : '-', page.TuneButton().enabled ? 'T' : '-'};
    for (const auto& [list, letter] : {std::pair{TuneList::Frequency, 'F'}, {TuneList::Rate, 'R'},
                                       {TuneList::Region, 'R'}, {TuneList::Country, 'C'}, {TuneList::Beacon, 'B'}}) {
      enabled += page.List(list).enabled ? letter : '-';
    }
    EXPECT_EQ(enabled, c.enabled) << "link " << c.link << ", mode " << c.mode;
    EXPECT_EQ(page.Note().starts_with(u"The port is open for reading only"), c.link == 'r');
    if (c.link == 'r') {
      // Nor does the core try: the write would be refused and the port closed.
      EXPECT_FALSE(app_.Tune(1));
      EXPECT_TRUE(Port().IsOpen());
    }
    Port().Close();
  }
}

// A frequency or rate the lists lack is shown and tuned as itself.
TEST_F(TuneRulesTest, TuneByFrequencyRunsInThreeStepsAndEndsWithItsMessage) {
  ASSERT_TRUE(OpenLink());
  app_.SetCurrentSite(BeaconSite{u"Europe", u"Denmark", u"Hirtshals", 50, 285.6, 455});
  sheet_.Activate(kTunePage);
  EXPECT_EQ((Texts{Chosen(TuneList::Frequency), Chosen(TuneList::Rate)}), (Texts{u"285.6", u"50"}));
  Page().CheckMode(kTuneByFrequency);
  EXPECT_EQ(app_.TuneModeValue(), kTuneAutomatic);  // a radio alone is only a proposal
  ASSERT_TRUE(Page().BeginTune());
  EXPECT_EQ(app_.TuneModeValue(), kTuneByFrequency);
  EXPECT_TRUE(Page().Tuning());
  EXPECT_FALSE(Page().TuneButton().enabled);
  EXPECT_FALSE(sheet_.Reject());
  const BeaconSite site = app_.CurrentSite();
  EXPECT_EQ(std::tuple(site.Frequency, site.MskRate, site.StationId, site.Region), std::tuple(285.6, 50, 0, u"-"));
  // Nobody acknowledges on this line.
  EXPECT_FALSE(Page().RunTune());
  EXPECT_EQ(receiver_.Receive(23, std::chrono::milliseconds(500)), "$GPMSK,285.6,M,50,M,1\r\n");
  EXPECT_EQ(TextOf(Page().FinishTune(false)), u"Beacon tuning failed. Check beacon port settings.");
  EXPECT_TRUE(Page().TuneButton().enabled);
}

// Without a site file the site lists are empty; the page says where it looked instead.
TEST(TuneRulesSiteFile, SaysWhereItLookedWhenNoSiteFileWasFound) {
  TempConfigHome dirs;
  for (const bool found : {false, true}) {
    ApplicationOptions options = QuickOptions();
    options.searchSiteFile = true;
    options.firstSiteDirectory = resources::FromUtf8(dirs.Root());
    options.secondSiteDirectory = found ? u"" SKYLARK_SOURCE_DIR "/data" : u"/nonexistent";
    Application app(std::move(options));
    app.Start();
    EXPECT_EQ(resources::ToUtf8(rules::TuneRules(app).Note()),
              found ? "" : "No site file (DGPSSites.csv) was found in: " + dirs.Root() +
                               ", /nonexistent. Put one there to tune by site.");
    app.Shutdown();
  }
}

}  // namespace
}  // namespace skylark::testing

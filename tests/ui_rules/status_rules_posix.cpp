#include "ui/rules/status_rules.h"

#include <fstream>
#include <string>
#include <vector>

#include "tests/ui_rules/page_fixture_posix.h"

namespace skylark::testing {
namespace {

using Texts = std::vector<std::u16string>;

using namespace std::chrono_literals;

Texts FieldsOf(const rules::StatusRules& page) {
  Texts texts;
  for (const rules::StatusField field : rules::kStatusFields) texts.push_back(page.Fields().Text(field));
  return texts;
}

class StatusRulesTest : public PageFixture {};

// Nothing is shown before the page is first opened; after that a frequency or rate out of range
// (0 after an automatic tune, before the receiver reported) keeps what was shown.
TEST_F(StatusRulesTest, TheFirstActivationFillsEveryFieldAndOutOfRangeKeepsThePreviousText) {
  app_.SetCurrentSite(BeaconSite{u"Europe", u"Denmark", u"Skagen", 100, 296.5, 452});
  app_.UpdateState([](SharedState& state) { state.status = ReceiverStatus{296.5, 100, 9, 50}; });
  sheet_.OnSiteChanged();
  sheet_.OnStatusChanged();
  EXPECT_EQ(FieldsOf(sheet_.Status()), Texts(7, u"N/A"));
  sheet_.Activate(kStatusPage);
  EXPECT_EQ(FieldsOf(sheet_.Status()), (Texts{u"Skagen", u"296.5 kHz", u"100 bps", u"452",
                                              u"Port not open", u"N/A", u"N/A"}));
  ASSERT_TRUE(OpenLink());
  app_.UpdateState([](SharedState& state) { state.status = ReceiverStatus{0.0, 0, 3, 40}; });
  sheet_.OnStatusChanged();
  EXPECT_EQ(FieldsOf(sheet_.Status()),
            (Texts{u"Skagen", u"296.5 kHz", u"100 bps", u"452", u"No", u"40", u"3"}));
}

// Health values greyed with their age once no reading came for three intervals (at least 3 s),
// back with the next reading; the site's fields never grey.
TEST_F(StatusRulesTest, AReadingGrowsStaleItsHealthFieldsGreyAndTheNextOneIsFresh) {
  ASSERT_TRUE(OpenLink());
  const auto start = std::chrono::steady_clock::now();
  auto now = start;
  rules::StatusRules page(app_, [&] { return now; });
  const auto hear = [&](std::int32_t snr) {
    const ReadingTime at{now, std::chrono::system_clock::now()};
    app_.UpdateState([&](SharedState& state) { state.status = ReceiverStatus{300.0, 200, snr, 50, false, at}; });
    page.OnStatusChanged();
  };
  const auto greyed = [&] {
    std::vector<bool> shown;
    for (const rules::StatusField field : rules::kStatusFields) shown.push_back(page.Greyed(field));
    return shown;
  };
  const std::vector<bool> none(7, false), health{false, false, false, false, true, true, true};
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
    EXPECT_EQ(greyed(), t.stale ? health : none) << t.after.count();
    EXPECT_EQ(page.Fields().age, t.age) << t.after.count();
  }
  EXPECT_EQ(page.Fields().snr, u"9");  // the last value heard, greyed
  hear(6);
  EXPECT_EQ(greyed(), none);
  EXPECT_EQ(page.Fields().age, u"");
  EXPECT_EQ(page.Fields().locked, u"No");
}

// The state line follows the port; Update is offered only on an open port, locks the sheet
// while it waits, and says when nothing answered.
TEST_F(StatusRulesTest, TheStateLineFollowsThePortAndUpdateSaysWhenNothingAnswered) {
  rules::StatusRules& page = sheet_.Status();
  sheet_.Activate(kStatusPage);
  EXPECT_EQ(page.Fields().state, u"Port Closed");
  EXPECT_FALSE(page.BeginUpdate());
  ASSERT_TRUE(OpenLink());
  sheet_.OnSiteChanged();
  EXPECT_EQ(page.Fields().state, u"No Status");
  ASSERT_TRUE(page.BeginUpdate());
  EXPECT_FALSE(page.UpdateButton().enabled || sheet_.Reject());
  EXPECT_EQ(TextOf(page.FinishUpdate(page.RunUpdate())), u"The receiver did not answer the status query within 2 s.");
  EXPECT_FALSE(sheet_.Busy());
}

// Every reading heard while recording is a row with the page's state word and site, also those
// heard while another page was shown, at once; Cancel ends the recording.
TEST_F(StatusRulesTest, RecordWritesARowPerReadingUntilTheSheetCloses) {
  rules::StatusRules& page = sheet_.Status();
  app_.Start();
  ASSERT_TRUE(OpenLink());
  sheet_.Activate(kStatusPage);
  const std::string path = dirs_.Root() + "/route.csv";
  // One more reading, `heard` in all since the start.
  const auto hear = [&](std::size_t heard) {
    receiver_.Send("$CRMSS,42,15,300.0,200*41\r\n");
    EXPECT_TRUE(WaitFor([&] { return app_.ReadingsSince(0).size() == heard; }));
    sheet_.OnStatusChanged();
  };
  hear(1);  // before the recording: no row
  EXPECT_EQ(page.StartRecording(resources::FromUtf8(path)), std::nullopt);
  EXPECT_EQ(page.RecordButton().caption, u"Stop Recording");
  hear(2);
  EXPECT_EQ(page.Fields().log, u"Recording to route.csv, rows written: 1");
  sheet_.Activate(kTunePage);
  hear(3);
  hear(4);
  EXPECT_EQ(page.Fields().log, u"Recording to route.csv, rows written: 3");
  sheet_.Activate(kStatusPage);  // the newest applied now, not written again
  hear(5);
  EXPECT_EQ(page.Fields().log, u"Recording to route.csv, rows written: 4");
  EXPECT_TRUE(sheet_.Reject());
  EXPECT_EQ(page.Fields().log, u"Recorded to route.csv, rows written: 4");
  hear(6);
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 5u);  // the header and four rows
  EXPECT_NE(lines[4].find(",Receiving,None,0,300.0,200,Yes,42,15\r"), std::string::npos) << lines[4];
  app_.StopThreads();
}

}  // namespace
}  // namespace skylark::testing

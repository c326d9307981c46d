#include "ui/rules/sheet_rules.h"

#include <filesystem>
#include <string>
#include <vector>

#include "platform/posix/settings_file.h"
#include "resources/strings.h"
#include "tests/ui_rules/page_fixture_posix.h"

namespace skylark::testing {
namespace {

// Only OK saves; where nothing can be saved (the file would lie under the plain file the row
// before saved) OK still closes and says so.
TEST(SheetRules, OnlyOkSavesAndSaysWhenNothingCouldBe) {
  TempConfigHome dirs;
  const std::string file = dirs.ConfigHome() + "/saved-settings";
  const struct {
    bool ok;
    std::string path;
    bool saved;
  } cases[] = {{false, file, false}, {true, file, true}, {true, file + "/settings", false}};
  for (const auto& c : cases) {
    const auto settings = platform::posix::OpenSettingsFile(c.path);
    ApplicationOptions options = QuickOptions();
    options.settings = settings.get();
    Application app(std::move(options));
    app.Start();
    rules::SheetRules sheet(app);
    sheet.Activate(kConfigurationPage);
    EXPECT_TRUE(c.ok ? sheet.Accept() : sheet.Reject());
    EXPECT_EQ(std::filesystem::exists(c.path), c.saved) << c.path;
    const bool told = sheet.SaveMessage() && sheet.SaveMessage()->stringId == resources::kSettingsNotSaved;
    EXPECT_EQ(told, c.ok && !c.saved) << c.path;
  }
}

class SheetRulesTest : public PageFixture {};

// A running tune locks every control around the pages, and only while it runs; each notification
// names the pages that show what it changed.
TEST_F(SheetRulesTest, ATuneLocksTheSheetAndNotificationsNameThePagesToShowAgain) {
  const auto locked = [&] {
    std::vector<bool> shown;
    for (const rules::SheetControl control : rules::kSheetControls) shown.push_back(sheet_.Locked(control));
    return shown;
  };
  sheet_.Activate(kTunePage);
  sheet_.Tune().CheckMode(kTuneAutomatic);
  ASSERT_TRUE(OpenLink());
  EXPECT_EQ(locked(), std::vector<bool>(4, false));
  ASSERT_TRUE(sheet_.Tune().BeginTune());
  EXPECT_EQ(locked(), std::vector<bool>(4, true));
  EXPECT_FALSE(sheet_.Accept());
  sheet_.Tune().FinishTune(false);
  EXPECT_EQ(locked(), std::vector<bool>(4, false));

  using Pages = std::vector<ActivePage>;
  const rules::PageList site = sheet_.OnSiteChanged(), status = sheet_.OnStatusChanged();
  EXPECT_EQ(Pages(site.begin(), site.end()), (Pages{kStatusPage, kTunePage}));
  EXPECT_EQ(Pages(status.begin(), status.end()), Pages{kStatusPage});

}

ApplicationOptions QuickReconnect() {
  ApplicationOptions options = QuickOptions();
  options.reconnectPeriod = std::chrono::milliseconds(20);
  return options;
}

class LostPortTest : public PageFixture {
 protected:
  LostPortTest() : PageFixture(QuickReconnect()) {}
  // The input group as the Configuration page shows it: caption, enabled list, Open, Test and
  // Find, then the note under the groups.
  std::string Shown() {
    const rules::ConfigurationRules& page = sheet_.Configuration();
    const rules::PortGroupState s = page.State(rules::PortGroup::Input);
    return resources::ToUtf8(s.open.caption) + "|" + (s.names.enabled ? "L" : "-") + (s.open.enabled ? "O" : "-") +
           (s.test.enabled ? "T" : "-") + (page.FindOffered() ? "F" : "-") + "|" +
           resources::ToUtf8(page.PortNote());
  }
  std::vector<ActivePage> SiteChanged() {
    const rules::PageList pages = sheet_.OnSiteChanged();
    return {pages.begin(), pages.end()};
  }
};

// A lost port: every page again and one message; while it is waited for the Configuration page
// says so and offers only Close Port. It comes back by itself (here on another device under the
// same name), and Close Port ends the wait of a second loss.
TEST_F(LostPortTest, ALostPortIsWaitedForUntilItComesBackOrIsClosed) {
  using Pages = std::vector<ActivePage>;
  sheet_.Activate(kConfigurationPage);
  EXPECT_EQ(Shown(), "Open Port|LOTF|");
  ASSERT_TRUE(sheet_.Configuration().OpenOrClose(rules::PortGroup::Input));
  EXPECT_EQ(Shown(), "Close Port|-O--|");
  app_.Monitor().StartReader();
  receiver_.CloseMaster();
  ASSERT_TRUE(WaitFor([&] { return !Port().IsOpen(); }));
  EXPECT_EQ(SiteChanged(), (Pages{kStatusPage, kTunePage, kConfigurationPage}));
  EXPECT_EQ(Shown(), "Close Port|-O--|Waiting for COM4: to come back.");
  EXPECT_EQ(resources::ToUtf8(sheet_.TakePortLoss()->Shown()),
            "Port COM4: was lost and has been closed.\n\nThe device was unplugged or the line hung up.\n\n"
            "Waiting for COM4: to come back.");
  EXPECT_FALSE(sheet_.TakePortLoss());

  LinkPort(4, spare_.SlavePath());
  // Nobody answers the question for the tune here: readings come only on Update.
  ASSERT_TRUE(WaitFor([&] { return Port().IsOpen() && app_.ReadingsOnlyOnRequest(); }));
  EXPECT_EQ(SiteChanged(), (Pages{kStatusPage, kTunePage, kConfigurationPage}));
  EXPECT_EQ(Shown(), "Close Port|-O--|COM4: is back. The receiver did not say how it was tuned: readings come only "
                     "on Update.");
  EXPECT_EQ(SiteChanged(), (Pages{kStatusPage, kTunePage})) << "nothing new for the Configuration page";

  spare_.CloseMaster();
  ASSERT_TRUE(WaitFor([&] { return app_.Reconnecting().has_value(); }));
  EXPECT_EQ(TextOf(sheet_.Configuration().OpenOrClose(rules::PortGroup::Input)), u"Port closed for reading and writing.");
  EXPECT_FALSE(app_.Reconnecting());
  EXPECT_EQ(Shown(), "Open Port|LOTF|");
  app_.StopThreads();
}

}  // namespace
}  // namespace skylark::testing

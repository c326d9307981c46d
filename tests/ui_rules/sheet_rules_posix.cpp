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

  // A lost port: every page again, the Configuration page (first shown with the port open)
  // offering to close it, which ends the wait for it, one message.
  sheet_.Activate(kConfigurationPage);
  EXPECT_EQ(app_.ActivePageValue(), kConfigurationPage);
  EXPECT_EQ(sheet_.Configuration().State(rules::PortGroup::Input).open.caption, u"Close Port");
  app_.Monitor().StartReader();
  receiver_.CloseMaster();
  // The port reads as closed a moment before its loss is told: wait for the waiting to begin.
  ASSERT_TRUE(WaitFor([&] { return app_.Reconnecting().has_value(); }));
  const rules::PageList lost = sheet_.OnSiteChanged();
  EXPECT_EQ(Pages(lost.begin(), lost.end()), (Pages{kStatusPage, kTunePage, kConfigurationPage}));
  EXPECT_EQ(TextOf(sheet_.TakePortLoss()), u"Port COM4: was lost and has been closed.");
  EXPECT_FALSE(sheet_.TakePortLoss());
  EXPECT_EQ(sheet_.Configuration().PortNote(), u"Waiting for COM4: to come back.");
  EXPECT_EQ(TextOf(sheet_.Configuration().OpenOrClose(rules::PortGroup::Input)), u"Port closed for reading and writing.");
  EXPECT_FALSE(app_.Reconnecting());
  EXPECT_TRUE(sheet_.Configuration().FindOffered());
  app_.StopThreads();
}

}  // namespace
}  // namespace skylark::testing

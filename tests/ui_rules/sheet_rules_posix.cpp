#include "ui/rules/sheet_rules.h"

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/posix/settings_file.h"
#include "resources/strings.h"
#include "tests/ui_rules/page_fixture_posix.h"

namespace skylark::testing {
namespace {

TEST(SheetRules, OnlyOkSavesAndBothShutDown) {
  TempConfigHome dirs;
  const std::string file = dirs.ConfigHome() + "/saved-settings";
  // Cancel first: the settings file comes into being with the first value saved.
  for (const bool ok : {false, true}) {
    const auto settings = platform::posix::OpenSettingsFile(file);
    ApplicationOptions options = QuickOptions();
    options.settings = settings.get();
    Application app(std::move(options));
    app.Start();
    rules::SheetRules sheet(app);
    sheet.Activate(rules::kConfigurationTab);
    EXPECT_TRUE(ok ? sheet.Accept() : sheet.Reject());
    EXPECT_EQ(std::filesystem::exists(file), ok);
    EXPECT_FALSE(app.Started());
    EXPECT_FALSE(sheet.SaveMessage().has_value());
  }
}

// A store that takes nothing (its file would lie under a plain file): OK still closes and says so.
TEST(SheetRules, OkSaysWhenNothingCouldBeSaved) {
  TempConfigHome dirs;
  const auto settings = platform::posix::OpenSettingsFile(dirs.ConfigHome() + "/saved-settings/settings");
  ApplicationOptions options = QuickOptions();
  options.settings = settings.get();
  Application app(std::move(options));
  app.Start();
  { std::ofstream{dirs.ConfigHome() + "/saved-settings"} << "x"; }
  rules::SheetRules sheet(app);
  sheet.Activate(rules::kConfigurationTab);
  EXPECT_TRUE(sheet.Accept());
  ASSERT_TRUE(sheet.SaveMessage().has_value());
  EXPECT_EQ(sheet.SaveMessage()->stringId, resources::kSettingsNotSaved);
  EXPECT_FALSE(app.Started());
}

}  // namespace
}  // namespace skylark::testing

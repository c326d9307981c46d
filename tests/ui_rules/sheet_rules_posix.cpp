#include "ui/rules/sheet_rules.h"

#include <filesystem>
#include <string>

#include "platform/posix/settings_file.h"
#include "tests/ui_rules/page_fixture_posix.h"

namespace skylark::testing {
namespace {

TEST(SheetRules, OnlyOkSaves) {
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
  }
}

}  // namespace
}  // namespace skylark::testing

#include <windows.h>

#include <gtest/gtest.h>

#include "app/application.h"
#include "app/settings.h"
#include "platform/win32/registry_settings.h"

namespace skylark {
namespace {

constexpr const wchar_t* kSubkey = L"Software\\Corvane\\Skylark";

class StandardUserSettings : public ::testing::Test {
 protected:
  void SetUp() override { TearDown(); }
  void TearDown() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kSubkey);
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSubkey);
  }

  // One run of the program: settings loaded as at start-up, changed, saved as OK saves them.
  static bool Run(bool machineWritable, std::int32_t tuneMode, double frequencyKhz) {
    const auto store = platform::OpenRegistrySettings(machineWritable);
    ApplicationOptions options;
    options.settings = store.get();
    options.searchSiteFile = false;
    Application app(std::move(options));
    app.LoadSettings();
    app.SetTuneMode(tuneMode);
    app.UpdateState([&](SharedState& state) { state.currentSite.Frequency = frequencyKhz; });
    return app.SaveSettings();
  }

  static std::pair<std::int32_t, double> Loaded() {
    const auto store = platform::OpenMachineSettings();
    ApplicationOptions options;
    options.settings = store.get();
    options.searchSiteFile = false;
    Application app(std::move(options));
    app.LoadSettings();
    return {app.TuneModeValue(), app.CurrentSite().Frequency};
  }

  static bool Holds(HKEY root, const wchar_t* value) {
    return ::RegGetValueW(root, kSubkey, value, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }
};

TEST_F(StandardUserSettings, ASaveTheMachineKeyRefusesIsKeptForTheUser) {
  // A writable machine key takes the values as before, and the user's key stays empty.
  ASSERT_TRUE(Run(true, kTuneBySite, 310.0));
  EXPECT_TRUE(Holds(HKEY_LOCAL_MACHINE, L"Frequency"));
  EXPECT_FALSE(Holds(HKEY_CURRENT_USER, L"Frequency"));

  ASSERT_TRUE(Run(false, kTuneByFrequency, 300.0));
  EXPECT_TRUE(Holds(HKEY_CURRENT_USER, L"TuneMode"));
  EXPECT_EQ(Loaded(), std::make_pair(std::int32_t{kTuneByFrequency}, 300.0));

  // Later run elevated: the machine's key takes it, and the user's copy does not hide it.
  ASSERT_TRUE(Run(true, kTuneBySite, 283.5));
  EXPECT_EQ(Loaded(), std::make_pair(std::int32_t{kTuneBySite}, 283.5));
}

}  // namespace
}  // namespace skylark

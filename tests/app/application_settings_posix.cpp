#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <variant>

#include "app/application.h"
#include "app/settings.h"
#include "tests/support/xdg_dirs_posix.h"

namespace skylark {
namespace {

// A settings store in memory, keyed by value name (one key path is ever used).
class MemoryStore final : public platform::SettingsStore {
 public:
  using Value = std::variant<std::uint32_t, std::u16string>;
  bool ReadNumber(std::u16string_view, std::u16string_view name, std::uint32_t& value) override {
    auto it = values.find(std::u16string(name));
    if (it == values.end() || !std::holds_alternative<std::uint32_t>(it->second)) return false;
    value = std::get<std::uint32_t>(it->second);
    return true;
  }
  bool ReadText(std::u16string_view, std::u16string_view name, std::u16string& text) override {
    auto it = values.find(std::u16string(name));
    if (it == values.end() || !std::holds_alternative<std::u16string>(it->second)) return false;
    text = std::get<std::u16string>(it->second);
    return true;
  }
  bool WriteNumber(std::u16string_view, std::u16string_view name, std::uint32_t value) override {
    values[std::u16string(name)] = value;
    return true;
  }
  bool WriteText(std::u16string_view, std::u16string_view name, std::u16string_view text) override {
    values[std::u16string(name)] = std::u16string(text);
    return true;
  }
  std::map<std::u16string, Value> values;
};

class SettingsTest : public ::testing::Test {
 protected:
  std::unique_ptr<Application> MakeApp() {
    ApplicationOptions options;
    options.settings = &store_;
    options.searchSiteFile = false;
    auto app = std::make_unique<Application>(std::move(options));
    auto site = std::make_unique<BeaconSite>();
    site->Region = u"Europe";
    site->Country = u"Netherlands";
    site->Beacon = u"Hoek van Holland";
    site->StationId = 123;
    site->Frequency = 283900 * 0.001;
    site->MskRate = 200;
    app->Catalogue().AddSite(std::move(site));
    return app;
  }

  testing::ScopedXdgDirs dirs_;
  MemoryStore store_;
};

TEST_F(SettingsTest, FirstRunGivesTheDefaults) {
  auto app = MakeApp();
  app->LoadSettings();
  EXPECT_EQ(app->Link().InputPort()->Name(), u"COM1:");
  EXPECT_EQ(app->TuneModeValue(), kTuneAutomatic);
  EXPECT_EQ(app->CurrentSite(), BeaconSite{});
  EXPECT_EQ(app->Status(), ReceiverStatus{});
}

TEST_F(SettingsTest, WhatIsLoaded) {
  struct Case {
    const char* legend;
    std::map<std::u16string, MemoryStore::Value> stored;
    std::u16string beacon;
    double frequency;
    std::uint8_t rate;
    std::uint16_t station;
  };
  const Case cases[] = {
      {"a known station wins over the stored site",
       {{u"SID", 123u}, {u"Frequency", 30000u}, {u"MSK", 100u}, {u"Beacon", u"Elsewhere"}},
       u"Hoek van Holland", 283.9, 200, 123},
      {"the stored site serves a station the catalogue lacks",
       {{u"SID", 77u}, {u"Frequency", 30000u}, {u"MSK", 200u}, {u"Beacon", u"Elsewhere"}},
       u"Elsewhere", 300.0, 200, 0},
      {"no station", {{u"SID", 0u}, {u"Frequency", 30000u}, {u"MSK", 200u}}, u"", 300.0, 200, 0},
      {"only the low 8 bits of the rate", {{u"MSK", 456u}}, u"", 0.0, 200, 0},
      {"only the low 16 bits of the station", {{u"SID", 65536u + 123u}}, u"Hoek van Holland", 283.9, 200, 123},
  };
  for (const Case& c : cases) {
    store_.values = c.stored;
    auto app = MakeApp();
    app->LoadSettings();
    const SharedState state = app->State();
    EXPECT_EQ(state.currentSite.Beacon, c.beacon) << c.legend;
    EXPECT_DOUBLE_EQ(state.currentSite.Frequency, c.frequency) << c.legend;
    EXPECT_EQ(state.currentSite.MskRate, c.rate) << c.legend;
    EXPECT_EQ(state.currentSite.StationId, c.station) << c.legend;
    EXPECT_DOUBLE_EQ(state.status.frequency, c.frequency) << c.legend;
    EXPECT_EQ(state.status.mskRate, c.rate) << c.legend;
  }
}

TEST_F(SettingsTest, SaveThenLoadGivesTheSameState) {
  auto app = MakeApp();
  BeaconSite site;
  site.Region = u"-";
  site.Country = u"-";
  site.Beacon = u"Selected by frequncy";
  site.Frequency = 283.9;  // as parsed from the receiver's "283.9"
  site.MskRate = 100;
  app->SetCurrentSite(site);
  app->SetTuneMode(kTuneByFrequency);
  app->Link().InputPort()->SetName(u"COM7:");
  app->SaveSettings();
  EXPECT_EQ(std::get<std::uint32_t>(store_.values.at(u"Frequency")), 28390u);
  EXPECT_EQ(std::get<std::u16string>(store_.values.at(u"DeviceToBeaconPort")), u"COM7:");

  auto again = MakeApp();
  again->LoadSettings();
  EXPECT_DOUBLE_EQ(again->CurrentSite().Frequency, 283.9);
  EXPECT_EQ(again->CurrentSite().Beacon, site.Beacon);
  EXPECT_EQ(again->TuneModeValue(), kTuneByFrequency);
  EXPECT_EQ(again->Link().InputPort()->Name(), u"COM7:");
}

TEST_F(SettingsTest, ASharedStationIdRestoresTheSiteThatWasSaved) {
  const auto addLaterSite = [](Application& app) {
    auto other = std::make_unique<BeaconSite>();
    other->Region = u"Asia";
    other->Country = u"Japan";
    other->Beacon = u"Yaese";
    other->StationId2 = 123;  // a later line takes the ID over in the index
    other->Frequency = 305.0;
    other->MskRate = 100;
    app.Catalogue().AddSite(std::move(other));
  };
  auto app = MakeApp();
  addLaterSite(*app);
  app->SetCurrentSite(*app->Catalogue().AllSites().front());
  app->SaveSettings();

  auto again = MakeApp();
  addLaterSite(*again);
  again->LoadSettings();
  EXPECT_EQ(again->CurrentSite(), *again->Catalogue().AllSites().front());
}

TEST_F(SettingsTest, LeavingWithoutSavingKeepsTheOldMode) {
  store_.values[u"TuneMode"] = 2u;
  {
    auto app = MakeApp();
    app->LoadSettings();
    app->SetTuneMode(kTuneAutomatic);
  }
  auto again = MakeApp();
  again->LoadSettings();
  EXPECT_EQ(again->TuneModeValue(), kTuneBySite);
}

}  // namespace
}  // namespace skylark

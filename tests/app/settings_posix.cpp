#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/application.h"
#include "app/settings.h"
#include "platform/posix/settings_file.h"
#include "resources/strings.h"
#include "tests/support/xdg_dirs_posix.h"

namespace skylark {
namespace {

namespace fs = std::filesystem;

const BeaconSite kHoek{u"Europe", u"Netherlands", u"Hoek van Holland", 200, 283900 * 0.001, 123};
const BeaconSite kYaese{u"Asia", u"Japan", u"Yaese", 100, 305.0, 124, 123};

// The settings file in a private configuration directory, and applications that use it.
class SettingsTest : public ::testing::Test {
 protected:
  std::string Path() const { return dirs_.ConfigHome() + "/Corvane/Skylark/settings"; }

  std::string Contents() const {
    std::ostringstream out;
    out << std::ifstream(Path(), std::ios::binary).rdbuf();
    return out.str();
  }

  void Store(const std::string& contents) const {
    fs::create_directories(fs::path(Path()).parent_path());
    std::ofstream(Path(), std::ios::binary) << contents;
  }

  // An application using the store; a later site of its catalogue takes Hoek's station ID over
  // in the index. Without sites it is one started where no site file is found.
  std::unique_ptr<Application> MakeApp(bool withSites = true) {
    ApplicationOptions options;
    options.settings = store_.get();
    options.searchSiteFile = false;
    auto app = std::make_unique<Application>(std::move(options));
    if (withSites) {
      app->Catalogue().AddSite(std::make_unique<BeaconSite>(kHoek));
      app->Catalogue().AddSite(std::make_unique<BeaconSite>(kYaese));
    }
    return app;
  }

  std::unique_ptr<Application> Loaded(const std::string& values = "", bool withSites = true) {
    if (!values.empty()) Store("[\\Software\\Corvane\\Skylark]\n" + values);
    auto app = MakeApp(withSites);
    app->LoadSettings();
    return app;
  }

  testing::ScopedXdgDirs dirs_;
  std::unique_ptr<platform::SettingsStore> store_ = platform::OpenMachineSettings();
};

TEST_F(SettingsTest, FirstRunGivesTheDefaultsAndCreatesNothing) {
  const auto app = Loaded();
  EXPECT_EQ(app->Link().InputPort()->Name(), u"COM1:");
  EXPECT_EQ(app->TuneModeValue(), kTuneAutomatic);
  EXPECT_EQ(app->State().currentSite, BeaconSite{});
  EXPECT_EQ(app->State().status, ReceiverStatus{});
  EXPECT_FALSE(fs::exists(dirs_.ConfigHome() + "/Corvane"));
}

TEST_F(SettingsTest, WhatIsLoaded) {
  const struct {
    const char* legend;
    std::string stored;
    BeaconSite site;
  } cases[] = {
      {"a known station wins over the stored site",
       "SID=dword:123\nFrequency=dword:30000\nMSK=dword:150\nBeacon=sz:Elsewhere\n", kYaese},
      {"only the low 16 bits of the station", "SID=dword:65659\n", kYaese},
      {"the saved names pick among sites sharing the station",
       "SID=dword:123\nRegion=sz:Europe\nCountry=sz:Netherlands\nBeacon=sz:Hoek van Holland\n", kHoek},
      {"no station, CR LF line ends", "SID=dword:0\r\nFrequency=dword:30000\r\nMSK=dword:200\r\n",
       {u"", u"", u"", 200, 300.0}},
      {"a station the catalogue lacks", "SID=dword:77\nBeacon=sz:Elsewhere\n",
       {u"", u"", u"Elsewhere"}},
      {"only the low 8 bits of the rate", "MSK=dword:456\n", {u"", u"", u"", 200}},
  };
  for (const auto& c : cases) {
    const SharedState state = Loaded(c.stored)->State();
    EXPECT_EQ(state.currentSite, c.site) << c.legend;
    EXPECT_EQ(state.status.frequency, c.site.Frequency) << c.legend;
    EXPECT_EQ(state.status.mskRate, c.site.MskRate) << c.legend;
  }
}

TEST_F(SettingsTest, SaveThenLoadGivesTheSameState) {
  // Latin-1 as site files give, characters beyond 16 bits, what the file format itself uses, and
  // 283.9 kHz as the receiver reports it.
  const BeaconSite site{std::u16string(255, u'\u00E9'), u"C\u00F4te d'Ivoire \u00FF",
                        u"\U0001D11E Bj\u00F8rn\u00F8ya [x]=sz:\\\r\n", 100, 283.9};
  const auto app = MakeApp();
  app->SetCurrentSite(site);
  app->SetTuneMode(kTuneByFrequency);
  app->Link().InputPort()->SetName(u"COM7:");
  app->SaveSettings();
  EXPECT_EQ(ReadSettingNumber(*store_, u"\\SOFTWARE\\corvane\\SKYLARK", u"frequency", 0), 28390u)
      << "key paths and value names are not case-sensitive";

  const auto again = Loaded();
  BeaconSite expected = site;
  expected.Frequency = kHoek.Frequency;  // the very value the site file gives
  EXPECT_EQ(again->CurrentSite(), expected);
  EXPECT_EQ(again->TuneModeValue(), kTuneByFrequency);
  EXPECT_EQ(again->Link().InputPort()->Name(), u"COM7:");
}

TEST_F(SettingsTest, WithoutASiteFileTheStoredSiteIsKeptAndSavedUnchanged) {
  const auto app = Loaded("Frequency=dword:28390\nMSK=dword:200\nSID=dword:123\nRegion=sz:Europe\n"
                          "Country=sz:Netherlands\nBeacon=sz:Hoek van Holland\n", false);
  EXPECT_EQ(app->CurrentSite(), kHoek);
  app->SaveSettings();
  EXPECT_EQ(Loaded()->CurrentSite(), kHoek);
}

TEST_F(SettingsTest, LeavingWithoutSavingKeepsTheOldMode) {
  Loaded("TuneMode=dword:2\n")->SetTuneMode(kTuneAutomatic);
  EXPECT_EQ(Loaded()->TuneModeValue(), kTuneBySite);
}

TEST_F(SettingsTest, HandEditedAndCorruptLinesAreReadSafelyAndKept) {
  constexpr std::u16string_view kOther = u"\\Software\\Other";
  std::string antennas;  // 256 UTF-16 units: one more than a text may hold
  for (int i = 0; i < 128; ++i) antennas += "\xF0\x9F\x93\xA1";
  const std::string before =
      "# kept as written\n[\\Software\\Other]\nMSK=dword:100\nMSK=dword:200\n"
      "Region=sz:Europ\xE9\xFF\nCountry=sz:E\r\r\n\n"
      "[\\Software\\Corvane\\Skylark]\nColour=binary:00ff\na line without a value\n"
      "SID=dword:\nMSK=dword:-1\nTuneMode=dword:4294967296\n"
      "Region=sz:bad \\q escape\nCountry=sz:ends in \\\nBeacon=dword:12\n"
      "BeaconToDevicePort=sz:" + std::string(256, 'x') + "\nDeviceToBeaconPort=sz:" + antennas +
      "\nExtra=sz:unknown but kept\n";
  Store(before);
  for (const auto name : {kStationIdValue, kMskValue, kTuneModeValue, kRegionValue}) {
    EXPECT_EQ(ReadSettingNumber(*store_, kSettingsKey, name, 9), 9u) << resources::ToUtf8(name);
  }
  for (const auto name :
       {kRegionValue, kCountryValue, kBeaconValue, kInputPortValue, kOutputPortValue}) {
    EXPECT_EQ(ReadSettingText(*store_, kSettingsKey, name, u"d"), u"d") << resources::ToUtf8(name);
  }
  ASSERT_TRUE(WriteSettingNumber(*store_, kSettingsKey, kFrequencyValue, 28350));
  ASSERT_TRUE(WriteSettingNumber(*store_, kSettingsKey, kMskValue, 100));
  ASSERT_TRUE(WriteSettingNumber(*store_, kOther, kStationIdValue, 1));
  ASSERT_TRUE(WriteSettingText(*store_, u"\\Software\\New", kRegionValue, u"Asia"));
  std::string expected = before;
  expected.replace(expected.find("MSK=dword:-1"), 12, "MSK=dword:100");
  // A new value joins the end of its key's section; a new key the end of the file.
  expected.insert(expected.find("E\r\r\n") + 4, "SID=dword:1\n");
  expected += "Frequency=dword:28350\n\n[\\Software\\New]\nRegion=sz:Asia\n";
  EXPECT_EQ(Contents(), expected);
  EXPECT_EQ(ReadSettingNumber(*store_, kOther, kMskValue, 0), 100u) << "the first one wins";
  EXPECT_EQ(ReadSettingText(*store_, kOther, kRegionValue, u""), u"Europ\u00E9\u00FF");
  EXPECT_EQ(ReadSettingText(*store_, kOther, kCountryValue, u""), u"E\r") << "a stray CR stays";
}

TEST_F(SettingsTest, AWriteThatCannotBeDoneFailsAndDamagesNothing) {
  ASSERT_TRUE(WriteSettingText(*store_, kSettingsKey, kBeaconValue, u"Utsira"));
  const std::string before = Contents();
  const std::string root = dirs_.Root();
  std::ofstream(root + "/plain-file") << "not a directory";
  fs::create_directories(root + "/a-directory");
  std::ofstream(root + "/huge") << std::string((1 << 20) + 1, 'x');  // too large to be settings
  for (const std::string& path :
       {Path(), root + "/plain-file/settings", root + "/a-directory", root + "/huge"}) {
    const auto store = platform::posix::OpenSettingsFile(path);
    // A full disk: as root no permission stops a write, but the file-size limit does.
    const int written = testing::RunInChild([&] {
      std::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{8, 8};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      return WriteSettingNumber(*store, kSettingsKey, kTuneModeValue, 1) ? 1 : 0;
    });
    EXPECT_EQ(written, 0) << path;
    EXPECT_EQ(ReadSettingNumber(*store, kSettingsKey, kTuneModeValue, 3), 3u) << path;
  }
  EXPECT_EQ(Contents(), before);
  const fs::path folder = fs::path(Path()).parent_path();
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1)
      << "no temporary file left behind";
  EXPECT_EQ(fs::file_size(root + "/huge"), (1u << 20) + 1);
  EXPECT_TRUE(fs::is_empty(root + "/a-directory"));
}

TEST_F(SettingsTest, ConcurrentWritersLoseNoValue) {
  const auto name = [](char16_t tag, int i) { return std::u16string{tag, char16_t(u'a' + i)}; };
  const auto write = [&](char16_t tag) {
    const auto store = platform::OpenMachineSettings();
    int failed = 0;
    for (int i = 0; i < 15; ++i) {
      failed += WriteSettingNumber(*store, kSettingsKey, name(tag, i), i) ? 0 : 1;
    }
    return failed;
  };
  const pid_t other = ::fork();
  if (other == 0) ::_exit(write(u'B'));
  EXPECT_EQ(write(u'A'), 0);
  int status = 0;
  ::waitpid(other, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  for (const char16_t tag : {u'A', u'B'}) {
    for (int i = 0; i < 15; ++i) {
      EXPECT_EQ(ReadSettingNumber(*store_, kSettingsKey, name(tag, i), 99), unsigned(i));
    }
  }
}

}  // namespace
}  // namespace skylark

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/settings.h"
#include "platform/posix/settings_file.h"
#include "resources/strings.h"
#include "tests/support/xdg_dirs_posix.h"

namespace skylark {
namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public ::testing::Test {
 protected:
  std::string SettingsPath() const { return dirs_.ConfigHome() + "/Corvane/Skylark/settings"; }

  std::string Contents() const {
    std::ifstream in(SettingsPath(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  void Store(const std::string& contents) const {
    fs::create_directories(fs::path(SettingsPath()).parent_path());
    std::ofstream(SettingsPath(), std::ios::binary) << contents;
  }

  testing::ScopedXdgDirs dirs_;
  std::unique_ptr<platform::SettingsStore> store_ = platform::OpenMachineSettings();
};

TEST_F(SettingsFileTest, FirstRunGivesDefaultsAndCreatesNothing) {
  EXPECT_EQ(ReadSettingText(*store_, kSettingsKey, kInputPortValue, u"COM1:"), u"COM1:");
  EXPECT_EQ(ReadSettingText(*store_, kSettingsKey, kRegionValue, u""), u"");
  EXPECT_EQ(ReadSettingNumber(*store_, kSettingsKey, kTuneModeValue, 0), 0u);
  EXPECT_EQ(ReadSettingNumber(*store_, kSettingsKey, kFrequencyValue, 0), 0u);
  EXPECT_FALSE(fs::exists(dirs_.ConfigHome() + "/Corvane"));
}

TEST_F(SettingsFileTest, ValuesRoundTrip) {
  const std::pair<std::u16string_view, std::uint32_t> numbers[] = {
      {kFrequencyValue, 28390}, {kMskValue, 456}, {kStationIdValue, 0}, {kTuneModeValue, UINT32_MAX}};
  const std::pair<std::u16string_view, std::u16string> texts[] = {
      {kRegionValue, u"Europe"},
      {kCountryValue, u"Côte d'Ivoire \u00FF"},               // Latin-1, as site files give
      {kBeaconValue, u"\U0001D11E Bj\u00F8rn\u00F8ya \u65E5"},  // beyond the Basic Multilingual Plane
      {kInputPortValue, u"back\\slash\r\nnew line=sz:[x]"},     // what the file format uses itself
      {kOutputPortValue, u""},
      {u"Longest", std::u16string(255, u'\u00E9')},
  };
  for (const auto& [name, value] : numbers) EXPECT_TRUE(WriteSettingNumber(*store_, kSettingsKey, name, value));
  for (const auto& [name, text] : texts) EXPECT_TRUE(WriteSettingText(*store_, kSettingsKey, name, text));
  auto reopened = platform::OpenMachineSettings();  // nothing cached between runs
  for (const auto& [name, value] : numbers) EXPECT_EQ(ReadSettingNumber(*reopened, kSettingsKey, name, 1), value);
  for (const auto& [name, text] : texts) EXPECT_EQ(ReadSettingText(*reopened, kSettingsKey, name, u"?"), text);
  EXPECT_EQ(ReadSettingNumber(*reopened, kSettingsKey, kMskValue, 0) & 0xFF, 200u);
  EXPECT_EQ(ReadSettingNumber(*reopened, u"\\SOFTWARE\\corvane\\SKYLARK", u"frequency", 0), 28390u)
      << "key paths and value names are not case-sensitive";
}

TEST_F(SettingsFileTest, OverlongOrMistypedValuesFallBackToTheDefault) {
  ASSERT_TRUE(WriteSettingText(*store_, kSettingsKey, kBeaconValue, std::u16string(256, u'x')));
  std::u16string antennas;
  for (int i = 0; i < 128; ++i) antennas += u"\U0001F4E1";
  ASSERT_TRUE(WriteSettingText(*store_, kSettingsKey, kRegionValue, antennas));
  ASSERT_TRUE(WriteSettingText(*store_, kSettingsKey, kFrequencyValue, u"30000"));
  ASSERT_TRUE(WriteSettingNumber(*store_, kSettingsKey, kCountryValue, 7));
  EXPECT_EQ(ReadSettingText(*store_, kSettingsKey, kBeaconValue, u"d"), u"d");
  EXPECT_EQ(ReadSettingText(*store_, kSettingsKey, kRegionValue, u"d"), u"d") << "256 UTF-16 units";
  EXPECT_EQ(ReadSettingNumber(*store_, kSettingsKey, kFrequencyValue, 5), 5u);
  EXPECT_EQ(ReadSettingText(*store_, kSettingsKey, kCountryValue, u"d"), u"d");
}

TEST_F(SettingsFileTest, CorruptLinesAreIgnoredAndOtherLinesKept) {
  const std::string before =
      "# kept as written\n"
      "[\\Software\\Other]\n"
      "Frequency=dword:11111\n"
      "\n"
      "[\\Software\\Corvane\\Skylark]\n"
      "Colour=binary:00ff\n"
      "a line without a value\n"
      "SID=dword:\n"
      "MSK=dword:-1\n"
      "TuneMode=dword:4294967296\n"
      "Region=sz:bad \\q escape\n"
      "Country=sz:ends in \\\n"
      "Beacon=dword:12x\n"
      "Extra=sz:unknown but kept\n";
  Store(before);
  for (const auto name : {kStationIdValue, kMskValue, kTuneModeValue, kBeaconValue}) {
    EXPECT_EQ(ReadSettingNumber(*store_, kSettingsKey, name, 9), 9u) << resources::ToUtf8(name);
  }
  for (const auto name : {kRegionValue, kCountryValue}) {
    EXPECT_EQ(ReadSettingText(*store_, kSettingsKey, name, u"d"), u"d") << resources::ToUtf8(name);
  }
  ASSERT_TRUE(WriteSettingNumber(*store_, kSettingsKey, kFrequencyValue, 28350));
  ASSERT_TRUE(WriteSettingNumber(*store_, kSettingsKey, kMskValue, 100));
  std::string expected = before;
  expected.replace(expected.find("MSK=dword:-1"), 12, "MSK=dword:100");
  expected += "Frequency=dword:28350\n";  // a new value joins the end of its key's section
  EXPECT_EQ(Contents(), expected);
  ASSERT_TRUE(WriteSettingNumber(*store_, u"\\Software\\Other", kMskValue, 1));
  ASSERT_TRUE(WriteSettingText(*store_, u"\\Software\\New", kRegionValue, u"Asia"));
  expected.insert(expected.find("11111\n") + 6, "MSK=dword:1\n");
  expected += "\n[\\Software\\New]\nRegion=sz:Asia\n";
  EXPECT_EQ(Contents(), expected);
  EXPECT_EQ(ReadSettingNumber(*store_, u"\\Software\\Other", kFrequencyValue, 0), 11111u);
}

TEST_F(SettingsFileTest, HandEditedFilesAreRead) {
  Store("[\\Software\\Corvane\\Skylark]\r\nTuneMode=dword:2\r\nMSK=dword:100\r\nMSK=dword:200\r\n"
        "[\\Software\\Corvane\\Skylark]\r\nRegion=sz:Europ\xE9\xFF\r\n");
  EXPECT_EQ(ReadSettingNumber(*store_, kSettingsKey, kTuneModeValue, 0), 2u) << "CR LF line ends";
  EXPECT_EQ(ReadSettingNumber(*store_, kSettingsKey, kMskValue, 0), 100u) << "the first of two wins";
  EXPECT_EQ(ReadSettingText(*store_, kSettingsKey, kRegionValue, u""), u"Europ\u00E9\u00FF") << "Latin-1 bytes";
  ASSERT_TRUE(WriteSettingNumber(*store_, kSettingsKey, kMskValue, 50));
  EXPECT_EQ(ReadSettingNumber(*store_, kSettingsKey, kMskValue, 0), 50u);
  EXPECT_EQ(Contents().find("MSK=dword:200"), std::string::npos) << "a write leaves one line per value";

  // A stray CR before the CR LF belongs to the value and survives a write of another value.
  Store("[\\Software\\Corvane\\Skylark]\nRegion=sz:E\r\r\n");
  ASSERT_TRUE(WriteSettingNumber(*store_, kSettingsKey, kTuneModeValue, 1));
  EXPECT_EQ(ReadSettingText(*store_, kSettingsKey, kRegionValue, u""), u"E\r");
}

TEST_F(SettingsFileTest, FailedWritesLeaveTheOldFileWhole) {
  ASSERT_TRUE(WriteSettingText(*store_, kSettingsKey, kBeaconValue, u"Utsira"));
  const std::string before = Contents();
  // A full disk: as root no permission stops a write, but the file-size limit does.
  const int result = testing::RunInChild([this] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{8, 8};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    return WriteSettingText(*store_, kSettingsKey, kRegionValue, u"Europe") ? 1 : 0;
  });
  EXPECT_EQ(result, 0) << "the failed write must report failure";
  EXPECT_EQ(Contents(), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(SettingsPath()).parent_path()), fs::directory_iterator()), 1)
      << "no temporary file left behind";
}

TEST_F(SettingsFileTest, UnusableLocationsFailWithoutDamage) {
  const std::string root = dirs_.Root();
  std::ofstream(root + "/plain-file") << "not a directory";
  fs::create_directories(root + "/a-directory");
  std::ofstream(root + "/huge") << std::string((1 << 20) + 1, 'x');
  struct Case {
    const char* what;
    std::string path;
  };
  const Case cases[] = {
      {"under a regular file", root + "/plain-file/settings"},
      {"a directory in its place", root + "/a-directory"},
      {"far too large to be settings", root + "/huge"},
  };
  for (const auto& c : cases) {
    auto store = platform::posix::OpenSettingsFile(c.path);
    EXPECT_FALSE(WriteSettingNumber(*store, kSettingsKey, kTuneModeValue, 1)) << c.what;
    EXPECT_EQ(ReadSettingNumber(*store, kSettingsKey, kTuneModeValue, 3), 3u) << c.what;
  }
  EXPECT_EQ(fs::file_size(root + "/huge"), (1u << 20) + 1);
  EXPECT_TRUE(fs::is_empty(root + "/a-directory"));
}

TEST_F(SettingsFileTest, ConcurrentWritersLoseNoValue) {
  constexpr int kEach = 15;
  const auto writer = [this](char16_t tag) {
    return [this, tag] {
      auto store = platform::OpenMachineSettings();
      for (int i = 0; i < kEach; ++i) {
        const std::u16string name = std::u16string(1, tag) + resources::FromUtf8(std::to_string(i));
        if (!WriteSettingNumber(*store, kSettingsKey, name, static_cast<std::uint32_t>(i))) return 1;
      }
      return 0;
    };
  };
  const pid_t other = ::fork();
  if (other == 0) ::_exit(writer(u'B')());
  EXPECT_EQ(writer(u'A')(), 0);
  int status = 0;
  ::waitpid(other, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  for (const char16_t tag : {u'A', u'B'}) {
    for (int i = 0; i < kEach; ++i) {
      const std::u16string name = std::u16string(1, tag) + resources::FromUtf8(std::to_string(i));
      EXPECT_EQ(ReadSettingNumber(*store_, kSettingsKey, name, 999), static_cast<std::uint32_t>(i));
    }
  }
}

}  // namespace
}  // namespace skylark

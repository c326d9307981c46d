#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"

namespace skylark::platform {
namespace {

namespace fs = std::filesystem;

// A fresh directory under the temporary directory, removed again afterwards.
class Win32Files : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::create_directories(dir_ / "Sub"));
    std::ofstream(dir_ / "dgpssites.CSV", std::ios::binary) << "a,b\r\n";
    std::ofstream(dir_ / "other.txt", std::ios::binary);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::u16string Path(const char16_t* name) const { return (dir_ / name).u16string(); }

  const fs::path dir_ =
      fs::temp_directory_path() / ("skylark-files-" + std::to_string(::GetCurrentProcessId()));
};

TEST_F(Win32Files, ListsEveryEntryWithOrWithoutTrailingSeparator) {
  const std::u16string dir = dir_.u16string();
  for (const std::u16string& form : {dir, dir + u"\\", dir + u"/"}) {
    std::vector<std::u16string> names = {u"stale"};
    ASSERT_TRUE(ListDirectory(form, names));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Sub", u"dgpssites.CSV", u"other.txt"}));
  }
  std::vector<std::u16string> names;
  EXPECT_FALSE(ListDirectory(Path(u"missing"), names));
  EXPECT_FALSE(ListDirectory(u"", names));
}

TEST_F(Win32Files, OpensOnlyRegularFilesAndExclusively) {
  for (const std::u16string& bad : {Path(u"Sub"), Path(u"missing.csv"), std::u16string()}) {
    EXPECT_EQ(OpenFileForReading(bad), nullptr);
  }
  const auto file = OpenFileForReading(Path(u"dgpssites.CSV"));
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(OpenFileForReading(Path(u"dgpssites.CSV")), nullptr);
  std::uint8_t buffer[16];
  std::size_t got = 0;
  ASSERT_TRUE(file->Read(buffer, sizeof buffer, got));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), got), "a,b\r\n");
  ASSERT_TRUE(file->Read(buffer, sizeof buffer, got));
  EXPECT_EQ(got, 0u);
}

TEST(Win32SystemRoot, ComesFromTheEnvironmentHoweverLong) {
  wchar_t saved[MAX_PATH] = {};
  const DWORD savedLength = ::GetEnvironmentVariableW(L"SystemRoot", saved, MAX_PATH);
  const std::wstring longRoot = L"C:\\" + std::wstring(400, L'r');
  ASSERT_TRUE(::SetEnvironmentVariableW(L"SystemRoot", longRoot.c_str()));
  EXPECT_EQ(SystemRootDirectory(), std::u16string(longRoot.begin(), longRoot.end()));
  ASSERT_TRUE(::SetEnvironmentVariableW(L"SystemRoot", nullptr));
  EXPECT_EQ(SystemRootDirectory(), std::nullopt);
  ::SetEnvironmentVariableW(L"SystemRoot", savedLength > 0 ? saved : nullptr);
}

}  // namespace
}  // namespace skylark::platform

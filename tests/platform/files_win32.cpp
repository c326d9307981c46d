#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/files.h"

namespace skylark::platform {
namespace {

namespace fs = std::filesystem;

// Listing and refusing what is no file are the site-file tests' to show, here too.
class Win32Files : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::create_directories(dir_));
    std::ofstream(dir_ / "DGPSSites.csv", std::ios::binary) << "a,b\r\n";
  }
  void TearDown() override { fs::remove_all(dir_); }

  const fs::path dir_ =
      fs::temp_directory_path() / ("skylark-files-" + std::to_string(::GetCurrentProcessId()));
};

TEST_F(Win32Files, OpensExclusivelyAndReadsToTheEnd) {
  const auto file = OpenFileForReading((dir_ / "DGPSSites.csv").u16string());
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(OpenFileForReading((dir_ / "DGPSSites.csv").u16string()), nullptr);
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

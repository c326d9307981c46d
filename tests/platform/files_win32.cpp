#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/files.h"

namespace skylark::platform {
namespace {

std::u16string U16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

// A fresh directory under the temporary directory, removed again afterwards.
class Win32Files : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_NE(::GetTempPathW(MAX_PATH, temp), 0u);
    dir_ = std::wstring(temp) + L"skylark-files-" + std::to_wstring(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryW(dir_.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((dir_ + L"\\Sub").c_str(), nullptr));
    Put(L"dgpssites.CSV", "a,b\r\n");
    Put(L"other.txt", "");
  }
  void TearDown() override {
    ::DeleteFileW((dir_ + L"\\dgpssites.CSV").c_str());
    ::DeleteFileW((dir_ + L"\\other.txt").c_str());
    ::RemoveDirectoryW((dir_ + L"\\Sub").c_str());
    ::RemoveDirectoryW(dir_.c_str());
  }
  void Put(const std::wstring& name, const std::string& bytes) {
    const HANDLE h = ::CreateFileW((dir_ + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(h);
  }

  std::wstring dir_;
};

TEST_F(Win32Files, ListsEveryEntryWithOrWithoutTrailingSeparator) {
  for (const std::wstring& dir : {dir_, dir_ + L"\\", dir_ + L"/"}) {
    std::vector<std::u16string> names = {u"stale"};
    ASSERT_TRUE(ListDirectory(U16(dir), names));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Sub", u"dgpssites.CSV", u"other.txt"}));
  }
  std::vector<std::u16string> names;
  EXPECT_FALSE(ListDirectory(U16(dir_ + L"\\missing"), names));
  EXPECT_FALSE(ListDirectory(u"", names));
}

TEST_F(Win32Files, OpensOnlyRegularFilesAndExclusively) {
  EXPECT_EQ(OpenFileForReading(U16(dir_ + L"\\Sub")), nullptr);
  EXPECT_EQ(OpenFileForReading(U16(dir_ + L"\\missing.csv")), nullptr);
  EXPECT_EQ(OpenFileForReading(u""), nullptr);

  const auto file = OpenFileForReading(U16(dir_ + L"\\dgpssites.CSV"));
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(OpenFileForReading(U16(dir_ + L"\\dgpssites.CSV")), nullptr);
  std::uint8_t buffer[16];
  std::size_t got = 0;
  ASSERT_TRUE(file->Read(buffer, sizeof buffer, got));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), got), "a,b\r\n");
  ASSERT_TRUE(file->Read(buffer, sizeof buffer, got));
  EXPECT_EQ(got, 0u);
}

TEST(Win32SystemRoot, ComesFromTheEnvironment) {
  wchar_t saved[MAX_PATH] = {};
  const DWORD savedLength = ::GetEnvironmentVariableW(L"SystemRoot", saved, MAX_PATH);
  const std::wstring longRoot = L"C:\\" + std::wstring(400, L'r');
  ASSERT_TRUE(::SetEnvironmentVariableW(L"SystemRoot", longRoot.c_str()));
  EXPECT_EQ(SystemRootDirectory(), U16(longRoot));
  ASSERT_TRUE(::SetEnvironmentVariableW(L"SystemRoot", nullptr));
  EXPECT_EQ(SystemRootDirectory(), std::nullopt);
  ::SetEnvironmentVariableW(L"SystemRoot", savedLength > 0 ? saved : nullptr);
  EXPECT_EQ(PathSeparator(), u'\\');
}

}  // namespace
}  // namespace skylark::platform

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace skylark::platform {
namespace {

// A key of this test run alone, removed again afterwards.
class RegistryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    subkey_ = u"Software\\Corvane\\SkylarkTest" + std::u16string(u"-") +
              std::u16string(std::to_wstring(::GetCurrentProcessId()).begin(),
                             std::to_wstring(::GetCurrentProcessId()).end());
    store_ = OpenMachineSettings();
    ASSERT_NE(store_, nullptr);
  }
  void TearDown() override { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, WideSubkey().c_str()); }

  std::wstring WideSubkey() const { return std::wstring(subkey_.begin(), subkey_.end()); }
  // The path as the settings give it, with its leading backslash.
  std::u16string KeyPath() const { return u"\\" + subkey_; }

  // Stores raw bytes with any type, as another program might have left them.
  void PutRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, WideSubkey().c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    ::RegCloseKey(key);
  }

  std::u16string subkey_;
  std::unique_ptr<SettingsStore> store_;
};

TEST_F(RegistryStoreTest, NumbersRoundTrip) {
  for (const std::uint32_t value : {0u, 1u, 28350u, 0x80000000u, 0xFFFFFFFFu}) {
    ASSERT_TRUE(store_->WriteNumber(KeyPath(), u"Frequency", value));
    std::uint32_t read = 7;
    ASSERT_TRUE(store_->ReadNumber(KeyPath(), u"Frequency", read));
    EXPECT_EQ(read, value);
  }
}

TEST_F(RegistryStoreTest, TextsRoundTripUpTo255Characters) {
  const std::vector<std::u16string> texts = {u"", u"COM1:", u"Europe", u"R\u00E9union", u"\u00C5lesund \u00E6\u00F8",
                                             std::u16string(255, u'x')};
  for (const auto& text : texts) {
    ASSERT_TRUE(store_->WriteText(KeyPath(), u"Beacon", text));
    std::u16string read = u"default";
    ASSERT_TRUE(store_->ReadText(KeyPath(), u"Beacon", read));
    EXPECT_EQ(read, text);
  }
}

TEST_F(RegistryStoreTest, TextIsStoredWithItsNul) {
  ASSERT_TRUE(store_->WriteText(KeyPath(), u"Region", u"Asia"));
  DWORD type = 0;
  DWORD size = 0;
  ASSERT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, WideSubkey().c_str(), L"Region", RRF_RT_ANY | RRF_NOEXPAND, &type,
                           nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD{REG_SZ});
  EXPECT_EQ(size, DWORD{(4 + 1) * 2});
}

TEST_F(RegistryStoreTest, LongTextFallsBackToTheDefault) {
  for (const std::size_t length : {256u, 300u, 1000u}) {
    ASSERT_TRUE(store_->WriteText(KeyPath(), u"Country", std::u16string(length, u'y')));
    std::u16string read = u"default";
    EXPECT_FALSE(store_->ReadText(KeyPath(), u"Country", read)) << length;
    EXPECT_EQ(read, u"default");
  }
}

TEST_F(RegistryStoreTest, StoredDataIsReadByItsSizeNotItsType) {
  const std::uint32_t dword = 456;
  const char16_t oneCharacter[] = u"A";  // 4 bytes with its NUL
  const std::uint16_t shortValue = 5;
  const std::uint64_t qword = 1;
  const char16_t noNul[] = {u'a', u'b', u'c'};
  // Exactly the 512-byte buffer, no room for a NUL (binary, as Wine refuses such a REG_SZ).
  const std::u16string full(256, u'z');
  const char16_t embedded[] = {u'a', 0, u'b', 0};
  struct Case {
    const wchar_t* name;
    DWORD type;
    const void* data;
    DWORD size;
    bool number;  // readable as a number
    std::uint32_t numberValue;
    bool text;  // readable as a text
    std::u16string textValue;
  };
  const Case cases[] = {
      {L"Dword", REG_DWORD, &dword, 4, true, 456, true, u"\u01C8"},
      {L"OneChar", REG_SZ, oneCharacter, 4, true, 0x41, true, u"A"},
      {L"Binary4", REG_BINARY, &dword, 4, true, 456, true, u"\u01C8"},
      {L"Short", REG_BINARY, &shortValue, 2, false, 0, true, u"\u0005"},
      {L"Qword", REG_QWORD, &qword, 8, false, 0, true, u"\u0001"},
      {L"NoNul", REG_SZ, noNul, sizeof noNul, false, 0, true, u"abc"},
      {L"Full", REG_BINARY, full.data(), 512, false, 0, true, std::u16string(255, u'z')},
      {L"Embedded", REG_SZ, embedded, sizeof embedded, false, 0, true, u"a"},
      {L"Empty", REG_BINARY, nullptr, 0, false, 0, true, u""},
  };
  for (const auto& c : cases) {
    PutRaw(c.name, c.type, c.data, c.size);
    const std::u16string name(c.name, c.name + std::wcslen(c.name));
    std::uint32_t number = 99;
    EXPECT_EQ(store_->ReadNumber(KeyPath(), name, number), c.number) << std::wstring(c.name);
    EXPECT_EQ(number, c.number ? c.numberValue : 99u) << std::wstring(c.name);
    std::u16string text = u"default";
    EXPECT_EQ(store_->ReadText(KeyPath(), name, text), c.text) << std::wstring(c.name);
    EXPECT_EQ(text, c.text ? c.textValue : u"default") << std::wstring(c.name);
  }
}

TEST_F(RegistryStoreTest, MissingValueKeepsTheDefaultAndCreatesTheKey) {
  std::uint32_t number = 42;
  EXPECT_FALSE(store_->ReadNumber(KeyPath(), u"TuneMode", number));
  EXPECT_EQ(number, 42u);
  std::u16string text = u"COM1:";
  EXPECT_FALSE(store_->ReadText(KeyPath(), u"DeviceToBeaconPort", text));
  EXPECT_EQ(text, u"COM1:");

  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, WideSubkey().c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  ::RegCloseKey(key);
}

TEST_F(RegistryStoreTest, KeyPathWithOrWithoutLeadingBackslashIsTheSameKey) {
  ASSERT_TRUE(store_->WriteNumber(KeyPath(), u"MSK", 200));
  std::uint32_t number = 0;
  ASSERT_TRUE(store_->ReadNumber(subkey_, u"MSK", number));
  EXPECT_EQ(number, 200u);
}

}  // namespace
}  // namespace skylark::platform

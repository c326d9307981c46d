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
  void SetUp() override { ASSERT_NE(store_, nullptr); }
  void TearDown() override { ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, subkey_.c_str()); }

  // The path as the settings give it, with its leading backslash.
  std::u16string KeyPath() const { return u"\\" + std::u16string(subkey_.begin(), subkey_.end()); }

  // Stores raw bytes with any type, as another program might have left them.
  void PutRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, subkey_.c_str(), name, type, data, size), ERROR_SUCCESS);
  }

  const std::wstring subkey_ =
      L"Software\\Corvane\\SkylarkTest-" + std::to_wstring(::GetCurrentProcessId());
  const std::unique_ptr<SettingsStore> store_ = OpenMachineSettings();
};

// Texts as site files give them (none, Latin-1, the longest) come back as written; a longer one
// is not read, and the default stays, as it does for a value that is not there.
TEST_F(RegistryStoreTest, TextsRoundTripUpToTheirLimit) {
  std::uint32_t number = 42;
  EXPECT_FALSE(store_->ReadNumber(KeyPath(), u"TuneMode", number));
  EXPECT_EQ(number, 42u);
  std::u16string read = u"default";
  EXPECT_FALSE(store_->ReadText(KeyPath(), u"Beacon", read));
  EXPECT_EQ(read, u"default");
  const std::u16string texts[] = {u"", u"R\u00E9union \u00C5lesund \u00E6\u00F8", std::u16string(255, u'x'),
                                  std::u16string(256, u'y'), std::u16string(1000, u'y')};
  for (const auto& text : texts) {
    ASSERT_TRUE(store_->WriteText(KeyPath(), u"Beacon", text));
    read = u"default";
    EXPECT_EQ(store_->ReadText(KeyPath(), u"Beacon", read), text.size() < 256) << text.size();
    EXPECT_EQ(read, text.size() < 256 ? text : u"default");
  }
  // Other programs read the key too: a text is a REG_SZ with its NUL.
  ASSERT_TRUE(store_->WriteText(KeyPath().substr(1), u"Region", u"Asia"));
  DWORD type = 0;
  DWORD size = 0;
  ASSERT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, subkey_.c_str(), L"Region",
                           RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD{REG_SZ});
  EXPECT_EQ(size, DWORD{(4 + 1) * 2});
}

TEST_F(RegistryStoreTest, StoredDataIsReadByItsSizeNotItsType) {
  const std::uint32_t dword = 456;
  const char16_t oneCharacter[] = u"A";  // 4 bytes with its NUL
  const std::uint16_t shortValue = 5;
  const char16_t noNul[] = {u'a', u'b', u'c'};
  // Exactly the 512-byte buffer, no room for a NUL (binary, as Wine refuses such a REG_SZ).
  const std::u16string full(256, u'z');
  const char16_t embedded[] = {u'a', 0, u'b', 0};
  const struct {
    const wchar_t* name;
    DWORD type;
    const void* data;
    DWORD size;
    bool number;  // readable as a number
    std::uint32_t numberValue;
    std::u16string text;  // always readable as a text
  } cases[] = {
      {L"Dword", REG_DWORD, &dword, 4, true, 456, u"\u01C8"},
      {L"OneChar", REG_SZ, oneCharacter, 4, true, 0x41, u"A"},
      {L"Short", REG_BINARY, &shortValue, 2, false, 0, u"\u0005"},
      {L"NoNul", REG_SZ, noNul, sizeof noNul, false, 0, u"abc"},
      {L"Full", REG_BINARY, full.data(), 512, false, 0, std::u16string(255, u'z')},
      {L"Embedded", REG_SZ, embedded, sizeof embedded, false, 0, u"a"},
      {L"Empty", REG_BINARY, nullptr, 0, false, 0, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::wcslen(c.name)));
    PutRaw(c.name, c.type, c.data, c.size);
    const std::u16string name(c.name, c.name + std::wcslen(c.name));
    std::uint32_t number = 99;
    EXPECT_EQ(store_->ReadNumber(KeyPath(), name, number), c.number);
    EXPECT_EQ(number, c.number ? c.numberValue : 99u);
    std::u16string text = u"default";
    EXPECT_TRUE(store_->ReadText(KeyPath(), name, text));
    EXPECT_EQ(text, c.text);
  }
}

}  // namespace
}  // namespace skylark::platform

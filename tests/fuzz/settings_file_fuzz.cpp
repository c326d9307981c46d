// Settings file bytes -> the nine values, then one write. A damaged or hand-edited file may
// fall back to defaults, but a write must never lose what it does not change.
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings.h"
#include "platform/posix/settings_file.h"

namespace {

using namespace skylark;

void Require(bool holds) {
  if (!holds) std::abort();
}

constexpr std::array<std::u16string_view, 9> kNames = {
    kFrequencyValue, kMskValue,       kStationIdValue,  kRegionValue,  kCountryValue,
    kBeaconValue,    kInputPortValue, kOutputPortValue, kTuneModeValue};

struct Value {
  std::optional<std::uint32_t> number;
  std::optional<std::u16string> text;
  bool operator==(const Value&) const = default;
};

Value ReadValue(platform::SettingsStore& store, std::u16string_view name) {
  Value value;
  std::uint32_t number = 0;
  if (store.ReadNumber(kSettingsKey, name, number)) value.number = number;
  std::u16string text;
  if (store.ReadText(kSettingsKey, name, text)) {
    Require(text.size() <= kMaxSettingText);
    value.text = text;
  }
  return value;
}

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The file's lines as the store sees them: LF ends a line, a CR before it is dropped.
std::vector<std::string> Lines(const std::string& content) {
  std::vector<std::string> lines;
  std::istringstream in(content);
  for (std::string line; std::getline(in, line); lines.push_back(line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
  }
  return lines;
}

bool IsLineOf(std::string_view line, std::string_view name) {
  if (line.size() <= name.size() || line[name.size()] != '=') return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(line[i]) != lower(name[i])) return false;
  }
  return true;
}

const std::string& Directory() {
  static const std::string directory = [] {
    std::string pattern = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/skylark-fuzz.XXXXXX");
    Require(mkdtemp(pattern.data()) != nullptr);
    return pattern;
  }();
  return directory;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t which = data[0] % kNames.size();
  const bool asText = (data[0] & 0x80) != 0;
  const std::u16string_view name = kNames[which];
  // The second byte says how much of the rest is the file; what is left is the value written.
  const std::size_t fileSize = std::min<std::size_t>(size - 2, data[1] * (size - 2) / 255);
  const std::string file(reinterpret_cast<const char*>(data + 2), fileSize);
  std::u16string text;
  for (std::size_t i = 2 + fileSize; i < size; ++i) text.push_back(data[i]);
  std::uint32_t number = 0;
  for (const char16_t c : text) number = number * 31 + c;

  const std::string path = Directory() + "/settings";
  std::ofstream(path, std::ios::binary | std::ios::trunc) << file;
  auto store = platform::posix::OpenSettingsFile(path);

  std::array<Value, kNames.size()> before;
  for (std::size_t i = 0; i < kNames.size(); ++i) before[i] = ReadValue(*store, kNames[i]);

  const bool written = asText ? store->WriteText(kSettingsKey, name, text) : store->WriteNumber(kSettingsKey, name, number);
  const std::string after = Contents(path);
  if (!written) {
    Require(after == file);
    return 0;
  }

  // The value reads back as written (a text up to its first NUL, and only when it fits).
  const Value mine = ReadValue(*store, name);
  if (asText) {
    const std::u16string stored = text.substr(0, text.find(u'\0'));
    if (stored.size() <= kMaxSettingText) Require(mine.text == stored);
  } else {
    Require(mine.number == number);
  }
  // Every other value is unchanged.
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (i != which) Require(ReadValue(*store, kNames[i]) == before[i]);
  }
  // Every line that is not the written value's is still there, in order.
  const std::string narrowName(name.begin(), name.end());
  const auto newLines = Lines(after);
  std::size_t at = 0;
  for (const auto& line : Lines(file)) {
    if (IsLineOf(line, narrowName)) continue;
    while (at < newLines.size() && newLines[at] != line) ++at;
    Require(at < newLines.size());
    ++at;
  }
  return 0;
}

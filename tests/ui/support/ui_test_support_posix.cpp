#include "tests/ui/support/ui_test_support.h"

#include <cstdlib>

#include "tests/support/xdg_dirs_posix.h"

namespace skylark::testing {
namespace {

std::u16string Key(std::u16string_view key, std::u16string_view name) {
  return std::u16string(key) + u'\\' + std::u16string(name);
}

}  // namespace

bool MemorySettings::ReadNumber(std::u16string_view key, std::u16string_view name, std::uint32_t& value) {
  auto it = numbers_.find(Key(key, name));
  if (it == numbers_.end()) return false;
  value = it->second;
  return true;
}

bool MemorySettings::ReadText(std::u16string_view key, std::u16string_view name, std::u16string& text) {
  auto it = texts_.find(Key(key, name));
  if (it == texts_.end()) return false;
  text = it->second;
  return true;
}

bool MemorySettings::WriteNumber(std::u16string_view key, std::u16string_view name, std::uint32_t value) {
  ++writes;
  numbers_[Key(key, name)] = value;
  return true;
}

bool MemorySettings::WriteText(std::u16string_view key, std::u16string_view name, std::u16string_view text) {
  ++writes;
  texts_[Key(key, name)] = std::u16string(text);
  return true;
}

QStringList Entries(const QComboBox& list) {
  QStringList entries;
  for (int i = 0; i < list.count(); ++i) entries << list.itemText(i);
  return entries;
}

QString Plain(const QString& text) { return QString(text).remove(QLatin1Char('&')); }

BeaconSite MakeSite(std::u16string region, std::u16string country, std::u16string beacon,
                    std::uint8_t rate, double frequencyKhz, std::uint16_t stationId) {
  BeaconSite site;
  site.Region = std::move(region);
  site.Country = std::move(country);
  site.Beacon = std::move(beacon);
  site.MskRate = rate;
  site.Frequency = frequencyKhz;
  site.StationId = stationId;
  return site;
}

ApplicationOptions QuietOptions(platform::SettingsStore* settings) {
  ApplicationOptions options;
  options.settings = settings;
  options.searchSiteFile = false;
  return options;
}

void PrepareTestProcess() {
  // Lives until the process ends; its directory goes with it.
  static ScopedXdgDirs dirs;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

}  // namespace skylark::testing

#include "app/application.h"

#include "app/settings.h"

namespace skylark {
namespace {

constexpr std::u16string_view kDefaultPortName = u"COM1:";

}  // namespace

void Application::LoadSettings() {
  if (options_.settings == nullptr) return;
  platform::SettingsStore& store = *options_.settings;

  std::u16string stored;
  noPortStored_ = !store.ReadText(kSettingsKey, kInputPortValue, stored);
  const std::u16string input = ReadSettingText(store, kSettingsKey, kInputPortValue, kDefaultPortName);
  if (receiverLink_.InputPort() != nullptr) receiverLink_.InputPort()->SetName(input.c_str());
  // Both names go to one port object, so this second one is the one that stays.
  const std::u16string output = ReadSettingText(store, kSettingsKey, kOutputPortValue, kDefaultPortName);
  if (receiverLink_.OutputPort() != nullptr) receiverLink_.OutputPort()->SetName(output.c_str());

  tuneMode_.store(static_cast<std::int32_t>(ReadSettingNumber(store, kSettingsKey, kTuneModeValue, 0)));

  // A station the site file knows wins over the stored frequency, rate and names.
  const std::uint32_t stationId = ReadSettingNumber(store, kSettingsKey, kStationIdValue, 0);
  std::u16string region = ReadSettingText(store, kSettingsKey, kRegionValue, u"");
  std::u16string country = ReadSettingText(store, kSettingsKey, kCountryValue, u"");
  std::u16string beacon = ReadSettingText(store, kSettingsKey, kBeaconValue, u"");
  // Many sites share a station ID (149 of the public list's IDs belong to more than one site), so
  // the ID alone may name another site than the one saved; the names saved with it pick it out.
  const auto savedId = static_cast<std::uint16_t>(stationId & 0xFFFF);
  if (const BeaconSite* saved = savedId != 0 ? catalogue_.FindByNames(region, country, beacon, savedId) : nullptr) {
    SetCurrentSite(*saved);
  } else if (catalogue_.Count() == 0 || !SelectSiteByStationId(stationId)) {
    // Without a site file (started from another directory, say) nothing can be looked up: the
    // stored site is kept as it is, station included, so that OK writes it back unchanged.
    const auto keptStation = catalogue_.Count() == 0 ? static_cast<std::uint16_t>(stationId & 0xFFFF) : 0;
    const double frequency = FrequencyFromStored(ReadSettingNumber(store, kSettingsKey, kFrequencyValue, 0));
    const auto rate = static_cast<std::uint8_t>(ReadSettingNumber(store, kSettingsKey, kMskValue, 0) & 0xFF);
    UpdateState([&](SharedState& state) {
      state.currentSite.StationId = keptStation;
      state.currentSite.Frequency = frequency;
      state.currentSite.MskRate = rate;
      state.currentSite.Region = std::move(region);
      state.currentSite.Country = std::move(country);
      state.currentSite.Beacon = std::move(beacon);
    });
  }
  UpdateState([](SharedState& state) {
    state.status.frequency = state.currentSite.Frequency;
    state.status.mskRate = state.currentSite.MskRate;
  });
}

bool Application::SaveSettings() {
  if (options_.settings == nullptr) return true;
  platform::SettingsStore& store = *options_.settings;
  const BeaconSite site = CurrentSite();
  // Rounded, not truncated: a truncated 283.9 kHz would come back as 283.89 kHz.
  bool stored = WriteSettingNumber(store, kSettingsKey, kFrequencyValue, StoredFrequency(site.Frequency));
  stored &= WriteSettingNumber(store, kSettingsKey, kMskValue, site.MskRate);
  stored &= WriteSettingNumber(store, kSettingsKey, kStationIdValue, site.StationId);
  stored &= WriteSettingText(store, kSettingsKey, kRegionValue, site.Region);
  stored &= WriteSettingText(store, kSettingsKey, kCountryValue, site.Country);
  stored &= WriteSettingText(store, kSettingsKey, kBeaconValue, site.Beacon);
  const std::u16string input = receiverLink_.InputPort() != nullptr ? receiverLink_.InputPort()->Name() : u"";
  const std::u16string output = receiverLink_.OutputPort() != nullptr ? receiverLink_.OutputPort()->Name() : u"";
  stored &= WriteSettingText(store, kSettingsKey, kInputPortValue, input);
  stored &= WriteSettingText(store, kSettingsKey, kOutputPortValue, output);
  stored &= WriteSettingNumber(store, kSettingsKey, kTuneModeValue, static_cast<std::uint32_t>(tuneMode_.load()));
  return stored;
}

}  // namespace skylark

#include "ui/rules/tune_rules.h"

#include <cmath>

#include "app/status_text.h"
#include "resources/strings.h"
#include "sites/site_catalogue.h"
#include "sites/site_file.h"

namespace skylark::rules {
namespace {

// The frequency list's entries are hundredths of a kHz, over the beacon band in 0.5 kHz steps.
constexpr int kFrequencyStep = 50;

}  // namespace

TuneRules::TuneRules(Application& app) : app_(app) {}

SortedTexts& TuneRules::ListOf(TuneList list) {
  return const_cast<SortedTexts&>(static_cast<const TuneRules*>(this)->ListOf(list));
}

const SortedTexts& TuneRules::ListOf(TuneList list) const {
  switch (list) {
    case TuneList::Frequency: return frequency_;
    case TuneList::Rate: return rate_;
    case TuneList::Region: return region_;
    case TuneList::Country: return country_;
    case TuneList::Beacon: break;
  }
  return beacon_;
}

void TuneRules::InitDialog() {
  const SharedState state = app_.State();
  FillFrequencyList(state.status.frequency);
  FillRateList(state.status.mskRate & 0xFF);
  FillRegionList(state.currentSite.Region);
  FillCountryList(state.currentSite.Country);
  FillBeaconList(state.currentSite.Beacon);
  initialized_ = true;
}

std::u16string TuneRules::Note() const {
  if (const LinkView link = app_.InputLink(); link.open && !link.writable) {
    return std::u16string(resources::LoadText(resources::kTuneNeedsWriting));
  }
  if (app_.Catalogue().Count() != 0) return {};
  return NoSiteFileText(app_.SiteFileSearch());
}

void TuneRules::SetActive() {
  app_.SetActivePage(kTunePage);
  const std::int32_t mode = app_.TuneModeValue();
  checkedMode_ = mode >= kTuneAutomatic && mode <= kTuneBySite ? mode : -1;
  ReselectTuning();
}

void TuneRules::OnSiteChanged() {
  if (!initialized_) return;
  // The country and beacon lists are rebuilt under the site's region: a country selected over
  // another region's beacons would tune a beacon the page does not show.
  const BeaconSite site = app_.CurrentSite();
  region_.SelectByText(site.Region);
  FillCountryList(site.Country);
  FillBeaconList(site.Beacon);
  ReselectTuning();
}

void TuneRules::ReselectTuning() {
  const BeaconSite site = app_.CurrentSite();
  SelectFrequency(site.Frequency);
  SelectRate(site.MskRate);
}

// A frequency the list lacks (the site file has 285.6 kHz) is added as itself, so that it is
// shown and tuned as it is, never as the blank entry's 0.
void TuneRules::SelectFrequency(double frequencyKhz) {
  const std::u16string text = FormatListFrequency(frequencyKhz);
  frequency_.SelectByText(text);
  if (frequency_.SelectedItem() == 0 && IsTunableFrequency(frequencyKhz)) {
    frequency_.AddSorted(text, static_cast<int>(std::lround(frequencyKhz * 100.0)));
    frequency_.SelectByText(text);
  }
}

void TuneRules::SelectRate(int bitRate) {
  const std::u16string text = FormatListRate(bitRate);
  rate_.SelectByText(text);
  if (rate_.SelectedItem() == 0 && IsTunableRate(bitRate)) {
    rate_.AddSorted(text, bitRate);
    rate_.SelectByText(text);
  }
}

void TuneRules::FillFrequencyList(double frequencyKhz) {
  frequency_.ResetWithBlank();
  const long last = std::lround(kBandHighestKhz * 100.0);
  for (long n = std::lround(kBandLowestKhz * 100.0); n <= last; n += kFrequencyStep) {
    frequency_.AddSorted(FormatListFrequency(n * 0.01), static_cast<int>(n));
  }
  SelectFrequency(frequencyKhz);
}

void TuneRules::FillRateList(int bitRate) {
  rate_.ResetWithBlank();
  for (const int n : {kSlowestMskRate, kFastestMskRate}) {
    rate_.AddSorted(FormatListRate(n), n);
  }
  SelectRate(bitRate);
}

void TuneRules::FillRegionList(std::u16string_view name) {
  region_.ResetWithBlank();
  for (const auto& [region, countries] : app_.Catalogue().Regions()) {
    region_.AddSorted(region, &countries);
  }
  region_.SelectByText(name);
}

void TuneRules::FillCountryList(std::u16string_view name) {
  country_.ResetWithBlank();
  const CountryIndex* countries = region_.SelectedItem();
  if (countries == nullptr) return country_.SelectByText({});
  for (const auto& [country, sites] : *countries) {
    country_.AddSorted(country, &sites);
  }
  country_.SelectByText(name);
}

void TuneRules::FillBeaconList(std::u16string_view name) {
  beacon_.ResetWithBlank();
  const SiteList* sites = country_.SelectedItem();
  if (sites == nullptr) return beacon_.SelectByText({});
  for (const BeaconSite* site : *sites) {
    if (site != nullptr) beacon_.AddSorted(site->Beacon, site);
  }
  beacon_.SelectByText(name);
}

ListState TuneRules::List(TuneList list) const {
  const bool linkOpen = LinkOpen();
  bool enabled = false;
  switch (list) {
    case TuneList::Frequency:
    case TuneList::Rate: enabled = linkOpen && checkedMode_ == kTuneByFrequency; break;
    default: enabled = linkOpen && checkedMode_ == kTuneBySite; break;
  }
  return ListOf(list).State(enabled);
}

bool TuneRules::RadiosEnabled() const { return LinkOpen(); }

ButtonState TuneRules::TuneButton() const {
  // By frequency needs both a frequency and a rate; by site (the fallback when no radio button
  // is checked) a beacon, whose missing frequency or rate BeginTune explains.
  bool ready = true;
  if (checkedMode_ == kTuneByFrequency) {
    ready = frequency_.SelectedItem() != 0 && rate_.SelectedItem() != 0;
  } else if (checkedMode_ != kTuneAutomatic) {
    ready = beacon_.SelectedItem() != nullptr;
  }
  // A port open for reading only cannot take the tune; Note() says so.
  return {std::u16string(resources::LoadText(resources::kTuneButton)),
          LinkOpen() && app_.InputLink().writable && !tuning_ && ready};
}

void TuneRules::CheckMode(std::int32_t mode) { checkedMode_ = mode; }

void TuneRules::Choose(TuneList list, int index) {
  ListOf(list).Select(index);
  if (list == TuneList::Region) {
    FillCountryList({});
    // A beacon of the region left behind must not stay tunable.
    beacon_.ResetWithBlank();
  } else if (list == TuneList::Country) {
    FillBeaconList({});
  }
}

bool TuneRules::BeginTune() {
  refusal_.reset();
  if (tuning_) return false;
  if (checkedMode_ == kTuneAutomatic) {
    app_.SetTuneMode(kTuneAutomatic);
  } else if (checkedMode_ == kTuneByFrequency) {
    app_.SetTuneMode(kTuneByFrequency);
    const int frequency = frequency_.SelectedItem();
    const int rate = rate_.SelectedItem();
    if (frequency == 0 || rate == 0) return false;
    app_.SetCurrentSite(FrequencySite(static_cast<double>(frequency) * 0.01, static_cast<std::uint8_t>(rate & 0xFF)));
  } else {
    app_.SetTuneMode(kTuneBySite);
    const BeaconSite* site = beacon_.SelectedItem();
    if (site == nullptr) return false;
    if (!IsTunable(*site)) {
      refusal_ = MessageOf(resources::kSiteNotTunable);
      return false;
    }
    app_.SetCurrentSite(*site);
  }
  tuning_ = true;
  return true;
}

bool TuneRules::RunTune() const { return app_.Tune(1); }

Outcome TuneRules::FinishTune(bool tuned) {
  tuning_ = false;
  return MessageOf(tuned ? resources::kTuneSucceeded : resources::kTuneFailed);
}

}  // namespace skylark::rules

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

template <typename T>
const T* DataOf(const SortedList& list) {
  return reinterpret_cast<const T*>(list.SelectedData());
}

}  // namespace

TuneRules::TuneRules(Application& app) : app_(app) {}

SortedList& TuneRules::ListOf(TuneList list) {
  return const_cast<SortedList&>(static_cast<const TuneRules*>(this)->ListOf(list));
}

const SortedList& TuneRules::ListOf(TuneList list) const {
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
  if (frequency_.SelectedData() == 0 && IsTunableFrequency(frequencyKhz)) {
    frequency_.AddSorted(text, static_cast<std::uintptr_t>(std::lround(frequencyKhz * 100.0)));
    frequency_.SelectByText(text);
  }
}

void TuneRules::SelectRate(int bitRate) {
  const std::u16string text = FormatListRate(bitRate);
  rate_.SelectByText(text);
  if (rate_.SelectedData() == 0 && IsTunableRate(bitRate)) {
    rate_.AddSorted(text, static_cast<std::uintptr_t>(bitRate));
    rate_.SelectByText(text);
  }
}

void TuneRules::FillFrequencyList(double frequencyKhz) {
  frequency_.ResetWithBlank();
  const long last = std::lround(kBandHighestKhz * 100.0);
  for (long n = std::lround(kBandLowestKhz * 100.0); n <= last; n += kFrequencyStep) {
    frequency_.AddSorted(FormatListFrequency(n * 0.01), static_cast<std::uintptr_t>(n));
  }
  SelectFrequency(frequencyKhz);
}

void TuneRules::FillRateList(int bitRate) {
  rate_.ResetWithBlank();
  for (const int n : {kSlowestMskRate, kFastestMskRate}) {
    rate_.AddSorted(FormatListRate(n), static_cast<std::uintptr_t>(n));
  }
  SelectRate(bitRate);
}

void TuneRules::FillRegionList(std::u16string_view name) {
  region_.ResetWithBlank();
  for (const auto& [region, countries] : app_.Catalogue().Regions()) {
    region_.AddSorted(region, reinterpret_cast<std::uintptr_t>(&countries));
  }
  region_.SelectByText(name);
}

void TuneRules::FillCountryList(std::u16string_view name) {
  country_.ResetWithBlank();
  const auto* countries = DataOf<CountryIndex>(region_);
  if (countries == nullptr) return country_.SelectByText({});
  for (const auto& [country, sites] : *countries) {
    country_.AddSorted(country, reinterpret_cast<std::uintptr_t>(&sites));
  }
  country_.SelectByText(name);
}

void TuneRules::FillBeaconList(std::u16string_view name) {
  beacon_.ResetWithBlank();
  const auto* sites = DataOf<SiteList>(country_);
  if (sites == nullptr) return beacon_.SelectByText({});
  for (const BeaconSite* site : *sites) {
    if (site != nullptr) beacon_.AddSorted(site->Beacon, reinterpret_cast<std::uintptr_t>(site));
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
    ready = frequency_.SelectedData() != 0 && rate_.SelectedData() != 0;
  } else if (checkedMode_ != kTuneAutomatic) {
    ready = beacon_.SelectedData() != 0;
  }
  // A port open for reading only cannot take the tune; Note() says so.
  return {u"Tune", LinkOpen() && app_.InputLink().writable && !tuning_ && ready};
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
    const std::uintptr_t frequency = frequency_.SelectedData();
    const std::uintptr_t rate = rate_.SelectedData();
    if (frequency == 0 || rate == 0) return false;
    app_.SetCurrentSite(FrequencySite(static_cast<double>(frequency) * 0.01, static_cast<std::uint8_t>(rate & 0xFF)));
  } else {
    app_.SetTuneMode(kTuneBySite);
    const auto* site = DataOf<BeaconSite>(beacon_);
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

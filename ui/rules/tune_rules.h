#pragma once

#include "app/application.h"
#include "ui/rules/page_state.h"
#include "ui/rules/sorted_list.h"

namespace skylark::rules {

enum class TuneList { Frequency, Rate, Region, Country, Beacon };

// The Tune page: how the receiver is tuned (automatically, by frequency and rate, or by a site
// picked Region, Country, Beacon) and the tune itself. The radio buttons are a proposal until
// Tune is pressed; the stored tune mode changes only then.
//
// Tuning takes seconds, so it comes in three steps: BeginTune and FinishTune on the main
// thread, RunTune between them wherever the view likes (a worker thread, or the main thread
// under the wait cursor). While a tune runs, Tuning() is true and Tune is disabled; the sheet
// keeps OK and Cancel disabled too.
class TuneRules {
 public:
  explicit TuneRules(Application& app);

  // The first activation: the five lists built from the snapshot and the current site.
  void InitDialog();
  bool Initialized() const { return initialized_; }
  // Every activation: the stored tune mode shown, frequency and rate reselected.
  void SetActive();
  // The current site changed: the lists follow it without being rebuilt.
  void OnSiteChanged();

  ListState List(TuneList list) const;
  // What keeps the page from tuning, for the view to show beside it: a port open for reading
  // only (Tune is disabled then), or where the site file was looked for when none was found (the
  // site lists are empty then); empty when neither.
  std::u16string Note() const;
  // The radio button checked: a tune mode, or -1 for none.
  std::int32_t CheckedMode() const { return checkedMode_; }
  bool RadiosEnabled() const;
  ButtonState TuneButton() const;
  bool Tuning() const { return tuning_; }

  // The user clicked a radio button.
  void CheckMode(std::int32_t mode);
  // The user chose entry `index` of a list. A region empties the country and beacon lists, a
  // country the beacon list; the current site changes only when Tune is pressed.
  void Choose(TuneList list, int index);

  // Stores the tune mode and, for the manual modes, the chosen values in the current site;
  // false when there is nothing to tune: no frequency or rate chosen, no beacon (no message),
  // or a beacon the site file gives no frequency or rate (Refusal() says so).
  bool BeginTune();
  // Why the last BeginTune refused, for the view to show; none when there is nothing to say.
  const Outcome& Refusal() const { return refusal_; }
  // The blocking tune with status interval 1; true when the receiver acknowledged. It touches
  // only the application, never the page's state, so it may run on any thread.
  bool RunTune() const;
  // Ends the tune on the main thread with its message.
  Outcome FinishTune(bool tuned);

 private:
  SortedTexts& ListOf(TuneList list);
  const SortedTexts& ListOf(TuneList list) const;
  void FillFrequencyList(double frequencyKhz);
  void FillRateList(int bitRate);
  void FillRegionList(std::u16string_view name);
  void FillCountryList(std::u16string_view name);
  void FillBeaconList(std::u16string_view name);
  void ReselectTuning();
  void SelectFrequency(double frequencyKhz);
  void SelectRate(int bitRate);
  bool LinkOpen() const { return app_.IsLinkOpen(); }

  Application& app_;
  bool initialized_ = false;
  bool tuning_ = false;
  std::int32_t checkedMode_ = -1;
  SortedList<int> frequency_;  // hundredths of a kHz
  SortedList<int> rate_;       // bit/s
  SortedList<const CountryIndex*> region_;
  SortedList<const SiteList*> country_;
  SortedList<const BeaconSite*> beacon_;
  Outcome refusal_;
};

}  // namespace skylark::rules

#include "ui/rules/status_rules.h"

#include "app/status_text.h"

namespace skylark::rules {

const std::u16string& StatusFields::Text(StatusField field) const {
  switch (field) {
    case StatusField::Site: return site;
    case StatusField::Frequency: return frequency;
    case StatusField::Rate: return rate;
    case StatusField::Station: return station;
    case StatusField::Locked: return locked;
    case StatusField::Signal: return signal;
    case StatusField::Snr: return snr;
  }
  return site;
}

StatusRules::StatusRules(Application& app, Clock clock) : app_(app), clock_(std::move(clock)) {}

void StatusRules::InitDialog() {
  const StatusTexts texts = Format(app_.State());
  ShowSite(texts);
  ShowHealth(texts);
  initialized_ = true;
}

void StatusRules::SetActive() {
  app_.SetActivePage(kStatusPage);
  const StatusTexts texts = Format(app_.State());
  ShowSite(texts);
  FollowTuning(texts, fields_.frequency, fields_.rate);
  ShowHealth(texts);
}

void StatusRules::OnSiteChanged() {
  if (initialized_) ShowSite(Format(app_.State()));
}

void StatusRules::OnStatusChanged() {
  if (!initialized_) return;
  const StatusTexts texts = Format(app_.State());
  FollowTuning(texts, fields_.frequency, fields_.rate);
  ShowHealth(texts);
  // Every reading goes on the chart, also those that came faster than the page redraws.
  for (const Reading& reading : app_.ReadingsSince(chartedReading_)) {
    history_.Add(reading.state.status, reading.tunes);
    chartedReading_ = reading.number;
  }
}

bool StatusRules::OnClock() {
  if (!initialized_) return false;
  const StatusFields before = fields_;
  ShowHealth(Format(app_.State()));
  return !(fields_ == before);
}

bool StatusRules::Greyed(StatusField field) const {
  const bool health = field == StatusField::Locked || field == StatusField::Signal || field == StatusField::Snr;
  return health && fields_.stale;
}

StatusTexts StatusRules::Format(const SharedState& state) const {
  return FormatStatus(state.currentSite, state.status, app_.InputLink(),
                      StatusClock{clock_(), app_.StatusInterval()});
}

void StatusRules::ShowSite(const StatusTexts& texts) {
  fields_.site = texts.site;
  fields_.station = texts.stationId;
}

void StatusRules::ShowHealth(const StatusTexts& texts) {
  fields_.signal = texts.signalStrength;
  fields_.snr = texts.snr;
  fields_.locked = texts.locked;
  fields_.stale = texts.stale;
  fields_.age = texts.age;
}

}  // namespace skylark::rules

#include "ui/rules/status_rules.h"

#include "app/status_text.h"

namespace skylark::rules {

StatusRules::StatusRules(Application& app, Clock clock) : app_(app), clock_(std::move(clock)) {}

void StatusRules::InitDialog() {
  RefreshSite();
  RefreshHealth();
  initialized_ = true;
}

void StatusRules::SetActive() {
  app_.SetActivePage(kStatusPage);
  RefreshSite();
  RefreshTuning();
  RefreshHealth();
}

void StatusRules::OnSiteChanged() {
  if (initialized_) RefreshSite();
}

void StatusRules::OnStatusChanged() {
  if (!initialized_) return;
  RefreshTuning();
  RefreshHealth();
  if (history_.Add(app_.Status())) history_.Trim(history_.Points().back().at);
}

bool StatusRules::OnClock() {
  if (!initialized_) return false;
  const StatusFields before = fields_;
  RefreshHealth();
  return !(fields_ == before);
}

void StatusRules::RefreshSite() {
  const SharedState state = app_.State();
  const StatusTexts texts = FormatStatus(state.currentSite, state.status, false);
  fields_.site = texts.site;
  fields_.station = texts.stationId;
}

void StatusRules::RefreshTuning() {
  const SharedState state = app_.State();
  const StatusTexts texts = FormatStatus(state.currentSite, state.status, false);
  // Out of range (0 after automatic tuning, before the receiver reported): keep what is shown.
  if (texts.frequency) fields_.frequency = *texts.frequency;
  if (texts.mskRate) fields_.rate = *texts.mskRate;
}

void StatusRules::RefreshHealth() {
  const bool linkOpen = app_.IsLinkOpen();
  const SharedState state = app_.State();
  const StatusTexts texts = FormatStatus(state.currentSite, state.status, linkOpen,
                                         StatusClock{clock_(), app_.StatusInterval()});
  fields_.signal = texts.signalStrength;
  fields_.snr = texts.snr;
  fields_.locked = texts.locked;
  fields_.stale = texts.stale;
  fields_.age = texts.age;
}

}  // namespace skylark::rules

#include "ui/rules/status_rules.h"

#include <string>

#include "app/receiver_state.h"
#include "app/status_text.h"

namespace skylark::rules {
namespace {

// The page names the log by its file name; the dialog that chose it showed the folder.
std::u16string FileNameOf(std::u16string_view path) {
  const auto slash = path.find_last_of(u"/\\");
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

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
  ShowState();
  initialized_ = true;
}

void StatusRules::SetActive() {
  app_.SetActivePage(kStatusPage);
  const StatusTexts texts = Format(app_.State());
  ShowSite(texts);
  FollowTuning(texts, fields_.frequency, fields_.rate);
  ShowHealth(texts);
  ShowState();
}

void StatusRules::OnSiteChanged() {
  if (!initialized_) return;
  ShowSite(Format(app_.State()));
  // A lost port or its return: the state line says so at once.
  ShowState();
}

void StatusRules::OnStatusChanged() {
  if (!initialized_) return;
  const StatusTexts texts = Format(app_.State());
  FollowTuning(texts, fields_.frequency, fields_.rate);
  ShowHealth(texts);
  ShowState();
  // Every reading goes on the chart and into the log, also those that came faster than the page
  // redraws.
  for (const Reading& reading : app_.ReadingsSince(chartedReading_)) {
    history_.Add(reading.state.status, reading.tunes);
    chartedReading_ = reading.number;
    if (log_ != nullptr) Log(reading);
  }
}

bool StatusRules::OnClock() {
  if (!initialized_) return false;
  const StatusFields before = fields_;
  ShowHealth(Format(app_.State()));
  ShowState();
  return !(fields_ == before);
}

ButtonState StatusRules::UpdateButton() const {
  const LinkView link = app_.InputLink();
  return {std::u16string(resources::LoadText(resources::kUpdateButton)),
          link.open && link.readable && link.writable && !updating_};
}

bool StatusRules::BeginUpdate() {
  if (!UpdateButton().enabled) return false;
  updating_ = true;
  return true;
}

bool StatusRules::RunUpdate() const { return app_.RequestReading(); }

Outcome StatusRules::FinishUpdate(bool answered) {
  updating_ = false;
  ShowState();
  return answered ? Outcome{} : MessageOf(resources::kNoReadingAnswer);
}

ButtonState StatusRules::RecordButton() const {
  const int caption = log_ != nullptr ? resources::kStopRecordingButton : resources::kRecordButton;
  return {std::u16string(resources::LoadText(caption)), true};
}

Outcome StatusRules::StartRecording(std::u16string_view path) {
  StopRecording();
  log_ = SignalLog::Open(path);
  if (log_ == nullptr) {
    fields_.log.clear();
    return FormattedMessageOf(resources::kLogNotWritten, path);
  }
  ShowLog(resources::kRecordingTo);
  return std::nullopt;
}

void StatusRules::StopRecording() {
  if (log_ == nullptr) return;
  ShowLog(resources::kRecordedTo);
  log_.reset();
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

void StatusRules::ShowState() {
  fields_.state = StateText(app_.CurrentState());
  if (const auto waited = app_.Reconnecting()) {
    fields_.note = resources::FormatText(resources::kWaitingForPort, *waited);
  } else if (app_.ReadingsOnlyOnRequest()) {
    fields_.note = resources::LoadText(resources::kReadingsOnRequest);
  } else {
    fields_.note.clear();
  }
}

void StatusRules::ShowLog(int formatId) {
  const std::u16string rows = resources::FromUtf8(std::to_string(log_->Rows()));
  fields_.log = resources::FormatText(formatId, {FileNameOf(log_->Path()), rows});
}

// One row per reading, with the state word the page shows and the site as it shows it.
void StatusRules::Log(const Reading& reading) {
  const StatusTexts texts = FormatStatus(reading.state.currentSite, reading.state.status, LinkView(true));
  if (log_->Write(RowOf(reading, fields_.state, texts.site))) {
    ShowLog(resources::kRecordingTo);
    return;
  }
  // A full disk or a removed stick: the recording ends and the page says why.
  fields_.log = resources::FormatText(resources::kLogNotWritten, FileNameOf(log_->Path()));
  log_.reset();
}

void StatusRules::ShowHealth(const StatusTexts& texts) {
  fields_.signal = texts.signalStrength;
  fields_.snr = texts.snr;
  fields_.locked = texts.locked;
  fields_.stale = texts.stale;
  fields_.age = texts.age;
}

}  // namespace skylark::rules

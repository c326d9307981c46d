#include <windows.h>

#include <commdlg.h>

#include <iterator>

#include "resources/strings.h"
#include "ui/win32/dialog_controls.h"
#include "ui/win32/page_views.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/signal_chart.h"

namespace skylark::win32ui {
namespace {

constexpr UINT_PTR kClockTimer = 1;

// The value fields' controls, in the rules' field order.
constexpr int kFieldIds[] = {IDC_SITE_FIELD,   IDC_FREQUENCY_FIELD, IDC_RATE_FIELD, IDC_STATION_FIELD,
                             IDC_LOCKED_FIELD, IDC_SIGNAL_FIELD,    IDC_SNR_FIELD};
static_assert(std::size(kFieldIds) == std::size(rules::kStatusFields));
// Every field that may cut its text short, the log's name among them.
constexpr int kCutFieldIds[] = {IDC_SITE_FIELD,   IDC_FREQUENCY_FIELD, IDC_RATE_FIELD, IDC_STATION_FIELD,
                                IDC_LOCKED_FIELD, IDC_SIGNAL_FIELD,    IDC_SNR_FIELD,  IDC_STATE_FIELD,
                                IDC_LOG_FIELD};

constexpr ControlText kLabels[] = {
    {IDC_SITE_GROUP, resources::kSiteDetails},
    {IDC_HEALTH_GROUP, resources::kReceiverHealth},
    {IDC_SITE_LABEL, resources::kSiteLabel},
    {IDC_FREQUENCY_FIELD_LABEL, resources::kFrequencyLabel},
    {IDC_RATE_FIELD_LABEL, resources::kMskLabel},
    {IDC_STATION_LABEL, resources::kStationIdLabel},
    {IDC_LOCKED_LABEL, resources::kLockedLabel},
    {IDC_SIGNAL_LABEL, resources::kSignalStrengthLabel},
    {IDC_SNR_LABEL, resources::kSnrLabel},
    {IDC_STATE_LABEL, resources::kStateLabel},
};

// The save-file dialog for the signal log; empty when cancelled. It does not ask before choosing
// an existing file: the log appends to it and never cuts it short.
std::u16string ChooseLogFile(HWND owner) {
  std::wstring filter = Wide(resources::LoadText(resources::kSignalLogFiles));
  filter += L'\0';
  filter += L"*.csv";
  filter += L'\0';
  const std::wstring title = Wide(resources::LoadText(resources::kRecordButton));
  wchar_t path[MAX_PATH] = L"";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrTitle = title.c_str();
  dialog.lpstrDefExt = L"csv";
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!::GetSaveFileNameW(&dialog)) return {};
  return Narrow16(path);
}

}  // namespace

StatusView::StatusView(rules::SheetRules& sheet)
    : PageView(sheet, kStatusPage, IDD_STATUS, resources::kStatusTitle, kLabels) {}

void StatusView::Show() {
  const rules::StatusRules& page = Sheet().Status();
  for (std::size_t i = 0; i < std::size(kFieldIds); ++i) {
    const rules::StatusField field = rules::kStatusFields[i];
    SetControlText(Dialog(), kFieldIds[i], page.Fields().Text(field));
    // Stale values stay readable, greyed, with their age beneath them.
    EnableControl(Dialog(), kFieldIds[i], !page.Greyed(field));
  }
  const rules::StatusFields& fields = page.Fields();
  SetControlText(Dialog(), IDC_HEALTH_AGE, fields.age);
  SetControlText(Dialog(), IDC_STATE_FIELD, fields.state);
  SetControlText(Dialog(), IDC_STATE_NOTE, fields.note);
  ::ShowWindow(::GetDlgItem(Dialog(), IDC_STATE_NOTE), fields.note.empty() ? SW_HIDE : SW_SHOWNA);
  SetControlText(Dialog(), IDC_LOG_FIELD, fields.log);
  const rules::ButtonState update = page.UpdateButton(), record = page.RecordButton();
  SetButtonText(Dialog(), IDC_UPDATE, update.caption, u'U');
  EnableControl(Dialog(), IDC_UPDATE, update.enabled);
  SetButtonText(Dialog(), IDC_RECORD, record.caption, u'R');
  EnableControl(Dialog(), IDC_RECORD, record.enabled);
  ShowCutTexts(Dialog(), tips_, kCutFieldIds);
  ShowHistory(::GetDlgItem(Dialog(), IDC_SIGNAL_CHART), &Sheet().Status().History());
}

void StatusView::OnShown(bool shown) {
  if (shown) {
    ::SetTimer(Dialog(), kClockTimer, static_cast<UINT>(rules::StatusRules::kClockPeriod.count()), nullptr);
  } else {
    ::KillTimer(Dialog(), kClockTimer);
  }
}

void StatusView::OnTimer() {
  if (Sheet().Status().OnClock()) Show();
  // The chart's ten minutes move on with the clock, readings or not.
  ShowHistory(::GetDlgItem(Dialog(), IDC_SIGNAL_CHART), &Sheet().Status().History());
}

bool StatusView::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return false;
  if (id == IDC_UPDATE) {
    Update();
    return true;
  }
  if (id == IDC_RECORD) {
    ToggleRecording();
    return true;
  }
  return false;
}

// The query waits up to 2 s for its answer, which comes as a status notification before the
// result.
void StatusView::Update() {
  rules::StatusRules& page = Sheet().Status();
  if (!page.BeginUpdate()) return;
  Show();
  RunOffThread(IDC_UPDATE, [&page] { return page.RunUpdate(); },
               [&page](bool answered) { return page.FinishUpdate(answered); });
}

void StatusView::ToggleRecording() {
  rules::StatusRules& page = Sheet().Status();
  rules::Outcome outcome;
  if (page.Recording()) {
    page.StopRecording();
  } else {
    const std::u16string path = ChooseLogFile(::GetParent(Dialog()));
    if (path.empty()) return;
    outcome = page.StartRecording(path);
  }
  Show();
  ShowOutcome(::GetParent(Dialog()), outcome);
  ReturnFocus(Dialog(), IDC_RECORD);
}

}  // namespace skylark::win32ui

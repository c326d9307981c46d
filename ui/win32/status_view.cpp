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
};

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
  ShowCutTexts(Dialog(), tips_, kFieldIds);
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

}  // namespace skylark::win32ui

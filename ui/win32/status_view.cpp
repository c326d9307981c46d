#include "resources/strings.h"
#include "ui/win32/dialog_controls.h"
#include "ui/win32/page_views.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/signal_chart.h"

namespace skylark::win32ui {
namespace {

// A reading grows stale in whole seconds.
constexpr UINT_PTR kClockTimer = 1;
constexpr UINT kClockPeriodMs = 1000;

}  // namespace

StatusView::StatusView(rules::SheetRules& sheet)
    : PageView(sheet, rules::kStatusTab, IDD_STATUS, resources::kStatusTitle) {}

void StatusView::Show() {
  const rules::StatusFields& fields = Sheet().Status().Fields();
  SetControlText(Dialog(), IDC_SITE_FIELD, fields.site);
  SetControlText(Dialog(), IDC_FREQUENCY_FIELD, fields.frequency);
  SetControlText(Dialog(), IDC_RATE_FIELD, fields.rate);
  SetControlText(Dialog(), IDC_STATION_FIELD, fields.station);
  SetControlText(Dialog(), IDC_LOCKED_FIELD, fields.locked);
  SetControlText(Dialog(), IDC_SIGNAL_FIELD, fields.signal);
  SetControlText(Dialog(), IDC_SNR_FIELD, fields.snr);
  // Stale values stay readable, greyed, with their age beneath them.
  for (const int id : {IDC_LOCKED_FIELD, IDC_SIGNAL_FIELD, IDC_SNR_FIELD}) EnableControl(Dialog(), id, !fields.stale);
  SetControlText(Dialog(), IDC_HEALTH_AGE, fields.age);
  ShowHistory(::GetDlgItem(Dialog(), IDC_SIGNAL_CHART), &Sheet().Status().History());
}

void StatusView::OnShown(bool shown) {
  if (shown) {
    ::SetTimer(Dialog(), kClockTimer, kClockPeriodMs, nullptr);
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

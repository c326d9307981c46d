#include "resources/strings.h"
#include "ui/win32/dialog_controls.h"
#include "ui/win32/page_views.h"
#include "ui/win32/resource_ids.h"

namespace skylark::win32ui {

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
}

}  // namespace skylark::win32ui

#include <array>
#include <utility>

#include "resources/strings.h"
#include "ui/win32/dialog_controls.h"
#include "ui/win32/page_views.h"
#include "ui/win32/resource_ids.h"

namespace skylark::win32ui {
namespace {

using rules::TuneList;

constexpr std::array<std::pair<int, TuneList>, 5> kLists{{
    {IDC_FREQUENCY_LIST, TuneList::Frequency},
    {IDC_RATE_LIST, TuneList::Rate},
    {IDC_REGION_LIST, TuneList::Region},
    {IDC_COUNTRY_LIST, TuneList::Country},
    {IDC_BEACON_LIST, TuneList::Beacon},
}};

constexpr std::array<std::pair<int, std::int32_t>, 3> kRadios{{
    {IDC_TUNE_AUTOMATIC, kTuneAutomatic},
    {IDC_TUNE_BY_FREQUENCY, kTuneByFrequency},
    {IDC_TUNE_BY_SITE, kTuneBySite},
}};

constexpr ControlText kLabels[] = {
    {IDC_TUNE_AUTOMATIC, resources::kTuneAutomaticLabel}, {IDC_TUNE_BY_FREQUENCY, resources::kTuneByFrequencyLabel},
    {IDC_TUNE_BY_SITE, resources::kTuneBySiteLabel},      {IDC_FREQUENCY_LABEL, resources::kFrequencyListLabel},
    {IDC_RATE_LABEL, resources::kRateListLabel},          {IDC_REGION_LABEL, resources::kRegionListLabel},
    {IDC_COUNTRY_LABEL, resources::kCountryListLabel},    {IDC_BEACON_LABEL, resources::kBeaconListLabel},
    {IDC_TUNING, resources::kTuning},
};

}  // namespace

TuneView::TuneView(rules::SheetRules& sheet) : PageView(sheet, kTunePage, IDD_TUNE, resources::kTuneTitle, kLabels) {}

void TuneView::Show() {
  const rules::TuneRules& page = Sheet().Tune();
  for (const auto& [id, mode] : kRadios) {
    SetChecked(Dialog(), id, page.CheckedMode() == mode);
    EnableControl(Dialog(), id, page.RadiosEnabled());
  }
  for (const auto& [id, list] : kLists) ShowList(Dialog(), id, page.List(list));
  const rules::ButtonState tune = page.TuneButton();
  SetButtonText(Dialog(), IDC_TUNE, tune.caption, u'T');
  EnableControl(Dialog(), IDC_TUNE, tune.enabled);
  ::ShowWindow(::GetDlgItem(Dialog(), IDC_TUNING), page.Tuning() ? SW_SHOWNA : SW_HIDE);
  const std::u16string note = page.Note();
  SetControlText(Dialog(), IDC_SITE_FILE_NOTE, note);
  ::ShowWindow(::GetDlgItem(Dialog(), IDC_SITE_FILE_NOTE), note.empty() ? SW_HIDE : SW_SHOWNA);
}

bool TuneView::OnCommand(int id, int code) {
  rules::TuneRules& page = Sheet().Tune();
  if (code == CBN_SELCHANGE) {
    for (const auto& [listId, list] : kLists) {
      if (listId != id) continue;
      page.Choose(list, SelectedIndex(Dialog(), id));
      Show();
      return true;
    }
    return false;
  }
  if (code != BN_CLICKED) return false;
  if (id == IDC_TUNE) {
    Tune();
    return true;
  }
  for (const auto& [radioId, mode] : kRadios) {
    if (radioId != id) continue;
    page.CheckMode(mode);
    Show();
    return true;
  }
  return false;
}

// The tune takes seconds; its site-changed notification is delivered before the result.
void TuneView::Tune() {
  rules::TuneRules& page = Sheet().Tune();
  const bool begun = page.BeginTune();
  Show();
  if (!begun) {
    ShowOutcome(::GetParent(Dialog()), page.Refusal());
    return;
  }
  RunOffThread(IDC_TUNE, [&page] { return page.RunTune(); }, [&page](bool tuned) { return page.FinishTune(tuned); });
}

}  // namespace skylark::win32ui

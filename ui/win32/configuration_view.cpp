#include <cwchar>
#include <memory>
#include <string>
#include <utility>

#include "resources/strings.h"
#include "ui/win32/dialog_controls.h"
#include "ui/win32/page_views.h"
#include "ui/win32/resource_ids.h"

namespace skylark::win32ui {
namespace {

using rules::PortGroup;

struct GroupControls {
  int box, list, open, test, device;
  // Keyboard mnemonics: the Open button's letter is one its two captions share.
  char16_t openLetter, testLetter;
};

constexpr GroupControls kInput{IDC_INPUT_GROUP, IDC_INPUT_LIST, IDC_INPUT_OPEN, IDC_INPUT_TEST, IDC_INPUT_DEVICE,
                               u'P', u'T'};
constexpr GroupControls kOutput{IDC_OUTPUT_GROUP, IDC_OUTPUT_LIST, IDC_OUTPUT_OPEN, IDC_OUTPUT_TEST, IDC_OUTPUT_DEVICE,
                                u'r', u'e'};

constexpr ControlText kLabels[] = {{IDC_SAME_PORT, resources::kSamePortLabel},
                                   {IDC_SCAN, resources::kScanButton},
                                   {IDC_FIND, resources::kFindButton}};

const GroupControls& ControlsOf(PortGroup group) { return group == PortGroup::Input ? kInput : kOutput; }

}  // namespace

ConfigurationView::ConfigurationView(rules::SheetRules& sheet)
    : PageView(sheet, kConfigurationPage, IDD_CONFIGURATION, resources::kConfigureTitle, kLabels) {}

void ConfigurationView::Show() {
  const rules::ConfigurationRules& page = Sheet().Configuration();
  SetChecked(Dialog(), IDC_SAME_PORT, page.SamePort());
  EnableControl(Dialog(), IDC_FIND, page.FindOffered());
  SetControlText(Dialog(), IDC_PORT_NOTE, page.PortNote());
  ShowGroup(PortGroup::Input);
  ShowGroup(PortGroup::Output);
}

void ConfigurationView::ShowGroup(PortGroup group) {
  const GroupControls& controls = ControlsOf(group);
  const rules::PortGroupState state = Sheet().Configuration().State(group);
  SetControlText(Dialog(), controls.box, state.title);
  ShowList(Dialog(), controls.list, state.names);
  SetButtonText(Dialog(), controls.open, state.open.caption, controls.openLetter);
  EnableControl(Dialog(), controls.open, state.open.enabled);
  SetButtonText(Dialog(), controls.test, state.test.caption, controls.testLetter);
  EnableControl(Dialog(), controls.test, state.test.enabled);
  SetControlText(Dialog(), controls.device, state.device);
}

void ConfigurationView::OnShown(bool shown) {
  // A first start looks for the receiver as soon as the page is up.
  if (shown && Sheet().Configuration().TakeFindOnStart()) Find();
}

void ConfigurationView::Find() {
  rules::ConfigurationRules& page = Sheet().Configuration();
  if (page.Working()) return;
  page.BeginFind();
  auto search = std::make_shared<ReceiverSearch>();
  RunOffThread(
      IDC_FIND,
      [search] {
        *search = rules::ConfigurationRules::RunFind();
        return true;
      },
      [&page, search](bool) { return page.FinishFind(*search); });
}

bool ConfigurationView::OnCommand(int id, int code) {
  rules::ConfigurationRules& page = Sheet().Configuration();
  rules::Outcome outcome;
  if (code == CBN_SELCHANGE && (id == IDC_INPUT_LIST || id == IDC_OUTPUT_LIST)) {
    const PortGroup group = id == IDC_INPUT_LIST ? PortGroup::Input : PortGroup::Output;
    page.ChooseName(group, SelectedIndex(Dialog(), id));
  } else if (code == CBN_KILLFOCUS && (id == IDC_INPUT_LIST || id == IDC_OUTPUT_LIST)) {
    // A network port is typed in; the rules decide whether it joins the list.
    wchar_t typed[256] = {};
    ::GetDlgItemTextW(Dialog(), id, typed, 256);
    std::u16string name(typed, typed + std::wcslen(typed));
    page.TypeName(id == IDC_INPUT_LIST ? PortGroup::Input : PortGroup::Output, name);
  } else if (code != BN_CLICKED) {
    return false;
  } else if (id == IDC_SAME_PORT) {
    outcome = page.SetSamePort(IsChecked(Dialog(), IDC_SAME_PORT));
  } else if (id == IDC_INPUT_OPEN || id == IDC_OUTPUT_OPEN) {
    outcome = page.OpenOrClose(id == IDC_INPUT_OPEN ? PortGroup::Input : PortGroup::Output);
  } else if (id == IDC_INPUT_TEST || id == IDC_OUTPUT_TEST) {
    if (page.Working()) return true;
    const rules::ConfigurationRules::PortTest test =
        page.BeginTest(id == IDC_INPUT_TEST ? PortGroup::Input : PortGroup::Output);
    auto result = std::make_shared<rules::Outcome>();
    RunOffThread(
        id,
        [test, result] {
          *result = rules::ConfigurationRules::RunTest(test);
          return true;
        },
        [&page, result](bool) { return page.FinishTest(std::move(*result)); });
    return true;
  } else if (id == IDC_FIND) {
    Find();
    return true;
  } else if (id == IDC_SCAN) {
    if (page.Working()) return true;
    auto scan = std::make_shared<rules::ConfigurationRules::PortScan>(page.BeginScan());
    RunOffThread(
        id,
        [scan] {
          rules::ConfigurationRules::RunScan(*scan);
          return true;
        },
        [&page, scan](bool) {
          page.FinishScan(*scan);
          return rules::Outcome{};
        });
    return true;
  } else {
    return false;
  }
  Show();
  ShowOutcome(::GetParent(Dialog()), outcome);
  if (code == BN_CLICKED) ReturnFocus(Dialog(), id);
  return true;
}

void ConfigurationView::OnOk() {
  {
    WaitCursor wait;
    Sheet().Accept();
  }
  ShowOutcome(::GetParent(Dialog()), Sheet().SaveMessage());
}

void ConfigurationView::OnCancel() {
  WaitCursor wait;
  Sheet().Reject();
}

}  // namespace skylark::win32ui

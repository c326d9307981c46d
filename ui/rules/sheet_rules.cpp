#include "ui/rules/sheet_rules.h"

namespace skylark::rules {

SheetRules::SheetRules(Application& app)
    : app_(app), configuration_(app), tune_(app), status_(app) {}

void SheetRules::Activate(int index) {
  switch (index) {
    case kConfigurationTab:
      if (!configuration_.Initialized()) configuration_.InitDialog();
      configuration_.SetActive();
      break;
    case kTuneTab:
      if (!tune_.Initialized()) tune_.InitDialog();
      tune_.SetActive();
      break;
    case kStatusTab:
      if (!status_.Initialized()) status_.InitDialog();
      status_.SetActive();
      break;
    default: break;
  }
}

void SheetRules::OnSiteChanged() {
  status_.OnSiteChanged();
  tune_.OnSiteChanged();
}

void SheetRules::OnStatusChanged() { status_.OnStatusChanged(); }

bool SheetRules::Accept() {
  if (Busy()) return false;
  app_.SaveSettings();
  app_.Shutdown();
  return true;
}

bool SheetRules::Reject() {
  if (Busy()) return false;
  app_.Shutdown();
  return true;
}

}  // namespace skylark::rules

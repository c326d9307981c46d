#include "ui/rules/sheet_rules.h"

#include "resources/strings.h"

namespace skylark::rules {
namespace {

// Every page alike: initialised the first time it is shown, then activated.
template <typename Page>
void ActivatePage(Page& page) {
  if (!page.Initialized()) page.InitDialog();
  page.SetActive();
}

}  // namespace

SheetRules::SheetRules(Application& app)
    : app_(app), configuration_(app), tune_(app), status_(app) {}

void SheetRules::Activate(int index) {
  switch (index) {
    case kConfigurationTab: ActivatePage(configuration_); break;
    case kTuneTab: ActivatePage(tune_); break;
    case kStatusTab: ActivatePage(status_); break;
    default: break;
  }
}

Outcome SheetRules::OnSiteChanged() {
  status_.OnSiteChanged();
  tune_.OnSiteChanged();
  const std::optional<PortLoss> loss = app_.TakePortLoss();
  if (!loss) return std::nullopt;
  Outcome outcome = FormattedMessageOf(resources::kPortLost, loss->name);
  if (outcome) outcome->detail = loss->reason;
  return outcome;
}

void SheetRules::OnStatusChanged() { status_.OnStatusChanged(); }

bool SheetRules::Accept() {
  if (Busy()) return false;
  app_.SaveSettings();
  return true;
}

bool SheetRules::Reject() { return !Busy(); }

}  // namespace skylark::rules

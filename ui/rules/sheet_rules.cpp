#include "ui/rules/sheet_rules.h"

#include "app/status_text.h"

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

void SheetRules::Activate(ActivePage page) {
  switch (page) {
    case kConfigurationPage: ActivatePage(configuration_); break;
    case kTunePage: ActivatePage(tune_); break;
    case kStatusPage: ActivatePage(status_); break;
  }
}

PageList SheetRules::OnSiteChanged() {
  static constexpr ActivePage kPages[] = {kStatusPage, kTunePage};
  // A lost port changes what every page shows.
  static constexpr ActivePage kAllPages[] = {kStatusPage, kTunePage, kConfigurationPage};
  status_.OnSiteChanged();
  tune_.OnSiteChanged();
  // The port's loss and its return come as site changes too.
  if (configuration_.PortChanged() || app_.PortLossPending()) return kAllPages;
  return kPages;
}

Outcome SheetRules::TakePortLoss() {
  const std::optional<PortLoss> loss = app_.TakePortLoss();
  if (!loss) return std::nullopt;
  Outcome outcome = FormattedMessageOf(resources::kPortLost, loss->name);
  if (!outcome) return outcome;
  outcome->detail = LineErrorText(loss->error);
  if (const std::optional<std::u16string> waited = app_.Reconnecting()) {
    outcome->detail += u"\n\n" + resources::FormatText(resources::kWaitingForPort, *waited);
  }
  return outcome;
}

PageList SheetRules::DeviceRemoved(std::u16string_view device) {
  app_.DeviceRemoved(device);
  return DeviceArrived();
}

PageList SheetRules::DeviceArrived() {
  static constexpr ActivePage kPages[] = {kConfigurationPage};
  configuration_.PortsChanged();
  return kPages;
}

PageList SheetRules::OnStatusChanged() {
  static constexpr ActivePage kPages[] = {kStatusPage};
  // A port back after a loss says next whether its readings come by themselves.
  static constexpr ActivePage kWithPort[] = {kStatusPage, kConfigurationPage};
  status_.OnStatusChanged();
  if (configuration_.PortChanged()) return kWithPort;
  return kPages;
}

bool SheetRules::Locked(SheetControl) const {
  // Every control around the pages is locked alike; the Tune page locks its own.
  return Busy();
}

bool SheetRules::Accept() {
  if (Busy()) return false;
  status_.StopRecording();
  saveMessage_ = app_.SaveSettings() ? Outcome{} : MessageOf(resources::kSettingsNotSaved);
  return true;
}

bool SheetRules::Reject() {
  if (Busy()) return false;
  status_.StopRecording();
  return true;
}

}  // namespace skylark::rules

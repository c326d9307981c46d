#include "app/application.h"

namespace skylark {

std::optional<std::u16string> Application::Reconnecting() const {
  return recovery_ != nullptr ? recovery_->Waiting() : std::nullopt;
}

void Application::StopReconnecting() {
  if (recovery_ != nullptr) recovery_->Stop();
}

void Application::ReconnectWith(AccessMode access) {
  if (recovery_ != nullptr) recovery_->ChangeAccess(access);
}

void Application::OnPortRestored() {
  NotifySiteChanged();
  // A receiver that lost power has forgotten its status interval: it is told the tune it was last
  // sent on this port, or, when this program sent none, the tune it reports, with readings.
  const std::u16string name = receiverLink_.InputPort()->Name();
  std::optional<TuneCommand> tune = receiverLink_.LastTuneOn(name);
  if (!tune) {
    tune = monitor_.QueryTune(options_.replyWait);
    if (tune) tune->interval = options_.restoreInterval;
  }
  const bool restored = tune && monitor_.SendTune(*tune);
  // A port open for reading only hears what the receiver sends, and cannot ask it for more.
  readingsOnlyOnRequest_.store(!restored && InputLink().writable);
  if (restored) statusInterval_.store(tune->interval);
  PostStatusChanged();
}

}  // namespace skylark

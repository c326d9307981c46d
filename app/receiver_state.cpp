#include "app/receiver_state.h"

#include "resources/strings.h"

namespace skylark {

ReceiverState StateOf(const ReceiverFacts& facts) {
  if (facts.reconnecting) return ReceiverState::Reconnecting;
  if (!facts.portOpen) return ReceiverState::PortClosed;
  if (facts.tuning) return ReceiverState::Tuning;
  if (!facts.heardSinceOpen) return ReceiverState::NoStatus;
  if (facts.stale) return ReceiverState::NoData;
  return facts.locked ? ReceiverState::Receiving : ReceiverState::Searching;
}

std::u16string_view StateText(ReceiverState state) {
  using namespace resources;
  switch (state) {
    case ReceiverState::Tuning: return LoadText(kStateTuning);
    case ReceiverState::Receiving: return LoadText(kStateReceiving);
    case ReceiverState::Searching: return LoadText(kStateSearching);
    case ReceiverState::NoData: return LoadText(kStateNoData);
    case ReceiverState::NoStatus: return LoadText(kStateNoStatus);
    case ReceiverState::PortClosed: return LoadText(kStatePortClosed);
    case ReceiverState::Reconnecting: return LoadText(kStateReconnecting);
  }
  return {};
}

}  // namespace skylark

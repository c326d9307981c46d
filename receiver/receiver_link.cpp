#include "receiver/receiver_link.h"

namespace skylark {

ReceiverLink::ReceiverLink(std::u16string_view name)
    : port_(std::make_unique<ReceiverPort>(name, AccessMode::ReadWrite)), output_(port_.get()), input_(port_.get()) {}

bool ReceiverLink::Send(std::string_view sentence) {
  return output_ != nullptr && !sentence.empty() && output_->SendSentence(sentence);
}

bool ReceiverLink::SendTune(const TuneCommand& tune) {
  if (!Send(FormatTune(tune))) return false;
  std::lock_guard lock(lastTuneLock_);
  lastTunePort_ = output_->Name();
  lastTune_ = tune;
  return true;
}

std::optional<TuneCommand> ReceiverLink::LastTuneOn(std::u16string_view portName) const {
  std::lock_guard lock(lastTuneLock_);
  return lastTunePort_ == portName ? lastTune_ : std::nullopt;
}

bool ReceiverLink::TuneAutomatic(std::uint32_t interval) { return SendTune({std::nullopt, std::nullopt, interval}); }

bool ReceiverLink::TuneManual(double frequencyKhz, int bitRate, std::uint32_t interval) {
  return SendTune({frequencyKhz, bitRate, interval});
}

bool ReceiverLink::RequestStatus() { return Send(kStatusRequest); }

bool ReceiverLink::RequestStatusZero() { return Send(kStatusStop); }

bool ReceiverLink::QueryStatus() { return Send(kStatusQuery); }

bool ReceiverLink::QueryTune() { return Send(kTuneQuery); }

}  // namespace skylark

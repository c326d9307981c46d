#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "receiver/sentences.h"
#include "receiver/serial_port.h"

namespace skylark {

// The receiver's port: a serial port that sends sentences. Replies are read by the monitor's
// reader, never through the port.
using ReceiverPort = SerialPort;

// The output port (commands to the receiver) and the input port (replies from it), which are one
// port object, with the commands the program sends. It takes no lock: the monitor serialises it.
class ReceiverLink {
 public:
  explicit ReceiverLink(std::u16string_view name);

  ReceiverPort* OutputPort() { return output_; }
  ReceiverPort* InputPort() { return input_; }
  bool Shared() const { return output_ == input_; }

  // "$GPMSK,,A,,A,<interval>"; refused for an interval above 100.
  bool TuneAutomatic(std::uint32_t interval);
  // "$GPMSK,<%5.1f frequency>,M,<rate>,M,<interval>"; refused for an interval above 100.
  bool TuneManual(double frequencyKhz, int bitRate, std::uint32_t interval);
  bool RequestStatus();      // "$PCSI,1"
  bool RequestStatusZero();  // "$PCSI,1,0"
  bool QueryStatus();        // "$GPCRQ,MSS"
  bool QueryTune();          // "$GPCRQ,MSK"
  // The tune sentence for `tune`; refused for an interval above 100.
  bool SendTune(const TuneCommand& tune);

  // The last tune sent on the port of that name this run: what a receiver that lost power and
  // came back must be told again. Any thread.
  std::optional<TuneCommand> LastTuneOn(std::u16string_view portName) const;

 private:
  bool Send(std::string_view sentence);

  std::unique_ptr<ReceiverPort> port_;
  ReceiverPort* output_ = nullptr;
  ReceiverPort* input_ = nullptr;
  mutable std::mutex lastTuneLock_;
  std::u16string lastTunePort_;
  std::optional<TuneCommand> lastTune_;
};

}  // namespace skylark

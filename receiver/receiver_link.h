#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "receiver/receiver_port.h"

namespace skylark {

// The thirteen fields of the receiver's "$PCSI,CS0" status line, in order.
struct ReceiverStatusLine {
  std::u16string field1;
  std::int32_t field2 = 0;
  double frequency = 0.0;  // kHz
  std::u16string field4;
  std::int32_t mskRate = 0;
  std::u16string field6;
  std::int32_t signalStrength = 0;
  std::int32_t snr = 0;
  std::u16string field9;
  std::int32_t field10 = 0;
  std::int32_t stationId = 0;  // 0 = none
  std::u16string field12;
  std::int32_t field13 = 0;
};

// One signal-status sentence ("$CRMSS", or "$--MSS" from another talker).
struct StatusReading {
  std::int32_t strength = 0;
  std::int32_t snr = 0;
  double frequency = 0.0;  // kHz
  std::int32_t mskRate = 0;
  ReadingTime received;
};

// The output port (commands to the receiver) and the input port (replies from it), which are one
// port object, with the receiver's seven commands. It takes no lock: the monitor serialises it.
class ReceiverLink {
 public:
  ReceiverLink(std::u16string_view name, std::uint32_t baudRate, std::uint32_t parity,
               std::uint32_t dataBits, std::uint32_t stopBits, std::uint32_t flowControl);

  ReceiverPort* OutputPort() { return output_; }
  ReceiverPort* InputPort() { return input_; }
  bool Shared() const { return output_ == input_; }

  // "$GPMSK,,A,,A,<interval>"; refused for an interval above 100.
  bool TuneAutomatic(std::uint32_t interval);
  // "$GPMSK,<%5.1f frequency>,M,<rate>,M,<interval>"; refused for an interval above 100.
  bool TuneManual(double frequencyKhz, int bitRate, std::uint32_t interval);
  bool RequestStatus();      // "$PCSI,1"
  bool RequestStatusZero();  // "$PCSI,1,0"
  // A line containing "$PCSI,ACK", queued after line number `after`.
  bool AwaitAcknowledge(std::uint64_t after = 0);
  // The newest status sentence from any talker, the older ones dropped (queue mode; without a
  // queue, the next one within the reply wait): strength, SNR, frequency (kHz), bit rate. None
  // when no such sentence came, when the input port is not open, or when the sentence has fewer
  // than four fields.
  std::optional<StatusReading> ReadSignalStatus();
  // A line containing "$PCSI,CS0" queued after line number `after`; missing fields give 0 or an
  // empty text.
  void ReadReceiverStatus(ReceiverStatusLine& line, std::uint64_t after = 0);

 private:
  std::unique_ptr<ReceiverPort> port_;
  ReceiverPort* output_ = nullptr;
  ReceiverPort* input_ = nullptr;
};

// The sentences as the link sends them, without CR LF; empty when the command refuses.
std::u16string FormatAutomaticTune(std::uint32_t interval);
std::u16string FormatManualTune(double frequencyKhz, int bitRate, std::uint32_t interval);

}  // namespace skylark

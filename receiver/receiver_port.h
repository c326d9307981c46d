#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "receiver/serial_port.h"
#include "receiver/text_list.h"

namespace skylark {

// A serial port that reads text lines either straight from its line (line mode) or from a queue
// of lines that the monitor's reader thread fills (queue mode), and waits for reply sentences.
class ReceiverPort : public SerialPort {
 public:
  using Sleeper = std::function<void(std::chrono::milliseconds)>;

  ReceiverPort(std::u16string_view name, std::uint32_t baudRate, std::uint32_t parity,
               std::uint32_t dataBits, std::uint32_t stopBits, std::uint32_t flowControl,
               AccessMode access);

  void SetLineQueue(TextList* queue) { lineQueue_ = queue; }
  void SetQueueMode(bool queueMode) { queueMode_ = queueMode; }

  // The next line, possibly empty, of at most capacity - 1 characters. In queue mode the
  // caller holds the monitor's queue lock.
  std::u16string ReadLine(std::size_t capacity);

  // Ten passes of a 200 ms pause and a read of the lines waiting; true and the reply from the
  // prefix onwards when a line contains the prefix, else false and an empty reply.
  bool AwaitReply(std::u16string_view prefix, std::u16string& reply, std::size_t capacity);
  bool AwaitLine(std::u16string_view prefix);

  // The fields of the reply after the prefix and the one character that follows it; true when
  // a reply came and gave at least one field.
  bool QueryFields(std::u16string_view prefix, TextList& fields);

  // The text and CR LF; true when both were written.
  bool SendSentence(std::u16string_view sentence);

  // The pauses of AwaitReply belong to the protocol; tests may pass a clock of their own.
  void SetSleeper(Sleeper sleeper) { sleeper_ = std::move(sleeper); }

 private:
  TextList* lineQueue_ = nullptr;
  bool queueMode_ = false;
  Sleeper sleeper_;
};

// Field readers: each takes the first field off the list and removes it.
std::u16string TakeText(TextList& fields, std::size_t capacity = 512);
// The C runtime's decimal conversion (white space, sign, digits up to the first other
// character); 0 for no digits or an empty list.
std::int32_t TakeInt(TextList& fields);
// The "%lf" scan; 0.0 when the field does not scan or the list is empty.
double TakeReal(TextList& fields);

}  // namespace skylark

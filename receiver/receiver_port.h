#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "receiver/line_queue.h"
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

  void SetLineQueue(LineQueue* queue) { lineQueue_ = queue; }
  void SetQueueMode(bool queueMode) { queueMode_ = queueMode; }
  bool QueueMode() const { return queueMode_; }

  // The next line, possibly empty, of at most capacity - 1 characters. In queue mode it takes
  // the oldest queued line without waiting.
  std::u16string ReadLine(std::size_t capacity);

  // True and the reply from the prefix onwards when a line containing the prefix arrives in
  // time, else false and an empty reply; a line whose checksum is wrong is no reply. In queue
  // mode it takes only its reply: such lines numbered `after` or lower are discarded (they
  // answer an earlier command) and every other line stays queued for the next wait or poll; the
  // wait sees lines as they are queued and gives up after the reply wait. In line mode it makes
  // ten passes of a 200 ms pause and a read of the lines waiting, removing those it passes over.
  bool AwaitReply(std::u16string_view prefix, std::u16string& reply, std::size_t capacity,
                  std::uint64_t after = 0);
  bool AwaitLine(std::u16string_view prefix, std::uint64_t after = 0);

  // Queue mode: removes every queued line holding the prefix and gives the newest, its text from
  // the prefix onwards; never waits.
  std::optional<QueuedLine> TakeNewestReply(std::u16string_view prefix);

  // The fields of the reply after the prefix and the one character that follows it; true when
  // a reply came and gave at least one field. `after` is as for AwaitReply.
  bool QueryFields(std::u16string_view prefix, TextList& fields, std::uint64_t after = 0);

  // The text and CR LF; true when both were written.
  bool SendSentence(std::u16string_view sentence);

  // The pauses of AwaitReply belong to the protocol; tests may pass a clock of their own.
  void SetSleeper(Sleeper sleeper) { sleeper_ = std::move(sleeper); }
  // The longest wait for a queued reply: ten passes of 200 ms. Tests may shorten it.
  void SetReplyWait(std::chrono::milliseconds wait) { replyWait_ = wait; }

 private:
  bool AwaitQueuedReply(std::u16string_view prefix, std::u16string& reply, std::size_t capacity,
                        std::uint64_t after);

  // Set once at start-up on the main thread, read by the worker threads.
  std::atomic<LineQueue*> lineQueue_{nullptr};
  std::atomic<bool> queueMode_{false};
  Sleeper sleeper_;
  std::chrono::milliseconds replyWait_{2000};
};

// Where the sentence named by `prefix` starts in `line`; npos when it is not there. A prefix
// "$--XXX" stands for that sentence from any talker, as NMEA writes it: '$', two capital
// letters, then the rest ("$CRMSS", "$GPMSS" for "$--MSS").
std::size_t FindSentence(std::u16string_view line, std::u16string_view prefix);

// What the "*hh" checksum at the end of a line says of the sentence it closes (from its last '$'
// before the '*'): absent when the line does not end in '*' and two hexadecimal digits.
enum class Checksum { Absent, Good, Wrong };
Checksum CheckSentence(std::u16string_view line);

// The fields of a reply after its first `skip` characters: cut at every ',' and '*'; a "*hh"
// checksum at the end is no field. A separator at the very end adds no empty field after it.
void SplitFields(std::u16string_view reply, std::size_t skip, TextList& fields);

// Field readers: each takes the first field off the list and removes it.
std::u16string TakeText(TextList& fields, std::size_t capacity = 512);
// The C runtime's decimal conversion (white space, sign, digits up to the first other
// character); 0 for no digits or an empty list.
std::int32_t TakeInt(TextList& fields);
// The "%lf" scan; 0.0 when the field does not scan or the list is empty.
double TakeReal(TextList& fields);

}  // namespace skylark

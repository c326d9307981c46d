// Queued receiver lines -> reply fields -> numbers and texts. No line may crash the field
// split, and what the readers hand on must be usable as shown and stored.
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "receiver/receiver_port.h"

namespace {

void Require(bool holds) {
  if (!holds) std::abort();
}

constexpr std::u16string_view kPrefixes[] = {u"$CRMSS", u"$PCSI,CS0", u"$PCSI,ACK", u"$--MSS"};

// "$--MSS" stands for any two capital letters after the '$'.
bool StartsAsPrefix(std::u16string_view reply, std::u16string_view prefix) {
  for (std::size_t i = 0; i < reply.size() && i < prefix.size(); ++i) {
    const bool talker = prefix.starts_with(u"$--") && (i == 1 || i == 2);
    if (talker ? !(reply[i] >= u'A' && reply[i] <= u'Z') : reply[i] != prefix[i]) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t choice = data[0];
  const std::u16string_view prefix = kPrefixes[choice % 4];
  const std::size_t capacity = (choice & 0x80) != 0 ? 512 : 1 + data[1] % 64;

  // The rest is the queue: one line per LF, each byte one character, as the reader queues them
  // (and beyond: any byte, so the split meets characters the reader would have cut).
  const auto fill = [&](skylark::LineQueue& queue) {
    std::u16string line;
    for (std::size_t i = 2; i < size; ++i) {
      if (data[i] == '\n') {
        queue.Append(line);
        line.clear();
      } else {
        line.push_back(data[i]);
      }
    }
    queue.Append(line);
  };
  skylark::LineQueue queue;
  fill(queue);

  skylark::ReceiverPort port(u"COM4:", 4800, 0, 8, 0, 0, skylark::AccessMode::ReadWrite);
  port.SetLineQueue(&queue);
  port.SetQueueMode(true);
  port.SetReplyWait(std::chrono::milliseconds(0));

  std::u16string reply;
  if (port.AwaitReply(prefix, reply, capacity)) {
    Require(reply.size() <= capacity - 1 && StartsAsPrefix(reply, prefix));
  } else {
    Require(reply.empty());
  }

  // Put the lines back for the field split.
  skylark::LineQueue again;
  fill(again);
  port.SetLineQueue(&again);
  skylark::TextList fields;
  const bool got = port.QueryFields(prefix, fields);
  Require(got == !fields.Empty());
  for (const auto& field : fields) Require(field.find_first_of(u",*") == std::u16string::npos);

  // Take every field in the order the selector bits ask for, as the status readers do.
  for (unsigned bits = choice; !fields.Empty(); bits = bits >> 2 | bits << 6) {
    switch (bits % 3) {
      case 0: Require(std::isfinite(skylark::TakeReal(fields))); break;
      case 1: (void)skylark::TakeInt(fields); break;
      default: Require(skylark::TakeText(fields, capacity).size() < capacity); break;
    }
  }
  Require(std::isfinite(skylark::TakeReal(fields)) && skylark::TakeReal(fields) == 0.0);
  Require(skylark::TakeInt(fields) == 0 && skylark::TakeText(fields).empty());
  return 0;
}

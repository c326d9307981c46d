#include "receiver/receiver_port.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <thread>

namespace skylark {
namespace {

// The longest reply QueryFields looks at, terminator included.
constexpr std::size_t kReplyCapacity = 512;
constexpr int kReplyPasses = 10;
constexpr std::chrono::milliseconds kReplyPause{200};

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

std::u16string_view SkipBlanks(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  return text.substr(i);
}

// Skips leading white space and an optional sign, as the C runtime's number conversions do;
// true for a minus sign.
bool TakeSign(std::u16string_view& text) {
  text = SkipBlanks(text);
  if (text.empty() || (text.front() != u'+' && text.front() != u'-')) return false;
  const bool negative = text.front() == u'-';
  text.remove_prefix(1);
  return negative;
}

std::u16string_view Limit(std::u16string_view text, std::size_t capacity) {
  return text.substr(0, capacity == 0 ? 0 : capacity - 1);
}

}  // namespace

ReceiverPort::ReceiverPort(std::u16string_view name, std::uint32_t baudRate, std::uint32_t parity,
                           std::uint32_t dataBits, std::uint32_t stopBits,
                           std::uint32_t flowControl, AccessMode access)
    : SerialPort(name, baudRate, parity, dataBits, stopBits, flowControl, access) {}

std::u16string ReceiverPort::ReadLine(std::size_t capacity) {
  std::u16string line;
  if (queueMode_) {
    if (lineQueue_ != nullptr && !lineQueue_->Empty()) {
      std::u16string first;
      lineQueue_->TakeFirst(first);
      line = Limit(first, capacity);
    }
    return line;
  }
  // A full buffer stops reading; the rest of the incoming line is read as the next line.
  while (line.size() + 1 < capacity) {
    std::uint8_t byte = 0;
    if (!ReadByte(byte) || byte == 0x0D || byte == 0x0A) break;
    if (byte >= 0x20 && byte <= 0x7F) line.push_back(static_cast<char16_t>(byte));
  }
  return line;
}

bool ReceiverPort::AwaitReply(std::u16string_view prefix, std::u16string& reply,
                              std::size_t capacity) {
  const auto pause = [this](std::chrono::milliseconds time) {
    if (sleeper_) {
      sleeper_(time);
    } else if (time.count() == 0) {
      std::this_thread::yield();
    } else {
      std::this_thread::sleep_for(time);
    }
  };
  for (int pass = 0; pass < kReplyPasses; ++pass) {
    pause(kReplyPause);
    // An empty line ends the pass: the queue is empty, or the line had nothing to give.
    for (std::u16string line = ReadLine(capacity); !line.empty();) {
      if (const auto at = line.find(prefix); at != std::u16string::npos) {
        reply = Limit(std::u16string_view(line).substr(at), capacity);
        return true;
      }
      line = ReadLine(capacity);
      pause(std::chrono::milliseconds(0));
    }
  }
  reply.clear();
  return false;
}

bool ReceiverPort::AwaitLine(std::u16string_view prefix) {
  std::u16string scratch;
  return AwaitReply(prefix, scratch, kReplyCapacity);
}

bool ReceiverPort::QueryFields(std::u16string_view prefix, TextList& fields) {
  fields.Clear();
  std::u16string reply;
  if (!AwaitReply(prefix, reply, kReplyCapacity)) return false;
  if (reply.size() <= prefix.size() + 1) return false;
  // The character after the prefix is normally its comma; the checksum after '*' is not
  // verified and becomes one more field.
  std::u16string_view rest = std::u16string_view(reply).substr(prefix.size() + 1);
  while (!rest.empty()) {
    const auto separator = rest.find_first_of(u",*");
    if (separator == std::u16string_view::npos) {
      fields.Append(rest);
      break;
    }
    fields.Append(rest.substr(0, separator));
    rest.remove_prefix(separator + 1);
  }
  return !fields.Empty();
}

bool ReceiverPort::SendSentence(std::u16string_view sentence) {
  return WriteText(sentence) && WriteLineEnd();
}

std::u16string TakeText(TextList& fields, std::size_t capacity) {
  std::u16string field;
  if (!fields.TakeFirst(field)) return {};
  return std::u16string(Limit(field, capacity));
}

std::int32_t TakeInt(TextList& fields) {
  std::u16string field;
  if (!fields.TakeFirst(field)) return 0;
  std::u16string_view text = field;
  const bool negative = TakeSign(text);
  // Out-of-range values saturate, as a 32-bit long conversion does.
  constexpr std::int64_t kBound = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') break;
    if (value < kBound) value = value * 10 + (c - u'0');
  }
  if (negative) return static_cast<std::int32_t>(value >= kBound ? -kBound : -value);
  return static_cast<std::int32_t>(value >= kBound ? kBound - 1 : value);
}

double TakeReal(TextList& fields) {
  std::u16string field;
  if (!fields.TakeFirst(field)) return 0.0;
  std::u16string_view text = field;
  const bool negative = TakeSign(text);
  // Parsed without the C runtime so that the user's locale cannot change the decimal point.
  std::string narrow;
  for (char16_t c : text) {
    if (c > 0x7F) break;
    narrow.push_back(static_cast<char>(c));
  }
  if (narrow.empty() || narrow.front() == '+' || narrow.front() == '-') return 0.0;
  double value = 0.0;
  const auto [end, error] =
      std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
  (void)end;
  // Infinity and NaN are no frequency; they would also poison the settings' integer forms.
  if (error != std::errc() || !std::isfinite(value)) return 0.0;
  return negative ? -value : value;
}

}  // namespace skylark

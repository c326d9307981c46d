#include "receiver/receiver_port.h"

#include <algorithm>
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

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// True when the line ends in '*' and two hexadecimal digits.
bool HasChecksum(std::u16string_view line) {
  return line.size() >= 3 && line[line.size() - 3] == u'*' && HexValue(line[line.size() - 2]) >= 0 &&
         HexValue(line.back()) >= 0;
}

bool IsReply(std::u16string_view line, std::u16string_view prefix) {
  return FindSentence(line, prefix) != std::u16string_view::npos && CheckSentence(line) != Checksum::Wrong;
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
    if (LineQueue* queue = lineQueue_.load(); queue != nullptr) {
      if (auto first = queue->TakeFirst()) line = Limit(first->text, capacity);
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

bool ReceiverPort::AwaitQueuedReply(std::u16string_view prefix, std::u16string& reply,
                                    std::size_t capacity, std::uint64_t after) {
  const auto deadline = LineQueue::Clock::now() + replyWait_;
  LineQueue* queue = lineQueue_.load();
  const auto isReply = [prefix](std::u16string_view line) { return IsReply(line, prefix); };
  if (queue != nullptr) {
    if (const auto line = queue->TakeMatching(isReply, after, deadline)) {
      reply = Limit(std::u16string_view(line->text).substr(FindSentence(line->text, prefix)), capacity);
      return true;
    }
  }
  reply.clear();
  return false;
}

bool ReceiverPort::AwaitReply(std::u16string_view prefix, std::u16string& reply,
                              std::size_t capacity, std::uint64_t after) {
  if (queueMode_) return AwaitQueuedReply(prefix, reply, capacity, after);
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
    // An empty line ends the pass: the line had nothing to give.
    for (std::u16string line = ReadLine(capacity); !line.empty();) {
      if (const auto at = FindSentence(line, prefix); at != std::u16string::npos && IsReply(line, prefix)) {
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

bool ReceiverPort::AwaitLine(std::u16string_view prefix, std::uint64_t after) {
  std::u16string scratch;
  return AwaitReply(prefix, scratch, kReplyCapacity, after);
}

std::optional<QueuedLine> ReceiverPort::TakeNewestReply(std::u16string_view prefix) {
  LineQueue* queue = lineQueue_.load();
  if (!queueMode_ || queue == nullptr) return std::nullopt;
  std::optional<QueuedLine> newest = queue->TakeNewest(
      [prefix](std::u16string_view line) { return FindSentence(line, prefix) != std::u16string::npos; });
  if (newest) newest->text = Limit(std::u16string_view(newest->text).substr(FindSentence(newest->text, prefix)), kReplyCapacity);
  return newest;
}

bool ReceiverPort::QueryFields(std::u16string_view prefix, TextList& fields, std::uint64_t after) {
  fields.Clear();
  std::u16string reply;
  if (!AwaitReply(prefix, reply, kReplyCapacity, after)) return false;
  if (reply.size() <= prefix.size() + 1) return false;
  // The character after the prefix is normally its comma.
  SplitFields(reply, prefix.size() + 1, fields);
  return !fields.Empty();
}

std::size_t FindSentence(std::u16string_view line, std::u16string_view prefix) {
  const bool anyTalker = prefix.size() > 3 && prefix[0] == u'$' && prefix.substr(1, 2) == u"--";
  if (!anyTalker) return line.find(prefix);
  const auto capital = [](char16_t c) { return c >= u'A' && c <= u'Z'; };
  const std::u16string_view name = prefix.substr(3);
  for (std::size_t at = line.find(u'$'); at != std::u16string_view::npos; at = line.find(u'$', at + 1)) {
    if (line.size() - at >= prefix.size() && capital(line[at + 1]) && capital(line[at + 2]) &&
        line.substr(at + 3, name.size()) == name) {
      return at;
    }
  }
  return std::u16string_view::npos;
}

Checksum CheckSentence(std::u16string_view line) {
  if (!HasChecksum(line)) return Checksum::Absent;
  const std::size_t star = line.size() - 3;
  const std::size_t dollar = line.rfind(u'$', star);
  if (dollar == std::u16string_view::npos) return Checksum::Wrong;
  unsigned sum = 0;
  for (char16_t c : line.substr(dollar + 1, star - dollar - 1)) sum ^= static_cast<unsigned>(c & 0xFF);
  const auto given = static_cast<unsigned>(HexValue(line[star + 1]) * 16 + HexValue(line[star + 2]));
  return sum == given ? Checksum::Good : Checksum::Wrong;
}

void SplitFields(std::u16string_view reply, std::size_t skip, TextList& fields) {
  if (HasChecksum(reply)) reply.remove_suffix(3);
  std::u16string_view rest = reply.substr(std::min(skip, reply.size()));
  while (!rest.empty()) {
    const auto separator = rest.find_first_of(u",*");
    if (separator == std::u16string_view::npos) {
      fields.Append(rest);
      break;
    }
    fields.Append(rest.substr(0, separator));
    rest.remove_prefix(separator + 1);
  }
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

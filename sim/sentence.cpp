#include "sim/sentence.h"

#include <charconv>
#include <cmath>

namespace skylark::sim {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::vector<std::string_view> SplitFields(std::string_view text) {
  std::vector<std::string_view> fields;
  for (;;) {
    const auto comma = text.find(',');
    fields.push_back(text.substr(0, comma));
    if (comma == std::string_view::npos) return fields;
    text.remove_prefix(comma + 1);
  }
}

// The application pads the frequency to five characters with leading blanks ("%5.1f").
std::optional<double> ParseFrequency(std::string_view field) {
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  if (field.empty() || !(field.front() >= '0' && field.front() <= '9')) return std::nullopt;
  double value = 0.0;
  const auto [end, ec] =
      std::from_chars(field.data(), field.data() + field.size(), value, std::chars_format::fixed);
  if (ec != std::errc{} || end != field.data() + field.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<int> ParseUnsigned(std::string_view field, int max) {
  if (field.empty() || field.size() > 6) return std::nullopt;
  int value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value > max) return std::nullopt;
  return value;
}

// The value of a field with its A|M mode: automatic fields may be empty and are not used.
template <typename T, typename Parse>
bool ParseModal(std::string_view value, std::string_view mode, Parse parse, std::optional<T>& out) {
  if (mode == "A") {
    out.reset();
    return value.empty() || parse(value).has_value();
  }
  if (mode != "M") return false;
  out = parse(value);
  return out.has_value();
}

}  // namespace

std::uint8_t Checksum(std::string_view body) {
  std::uint8_t sum = 0;
  for (char c : body) sum ^= static_cast<std::uint8_t>(c);
  return sum;
}

std::string Finish(std::string_view sentence) {
  const std::uint8_t sum = Checksum(sentence.substr(sentence.empty() ? 0 : 1));
  std::string out(sentence);
  out += '*';
  out += kHex[sum >> 4];
  out += kHex[sum & 0x0F];
  out += "\r\n";
  return out;
}

std::optional<std::string_view> StripChecksum(std::string_view sentence) {
  const auto n = sentence.size();
  if (n < 4 || sentence[n - 3] != '*') return sentence;
  const int high = HexValue(sentence[n - 2]);
  const int low = HexValue(sentence[n - 1]);
  if (high < 0 || low < 0) return sentence;
  const std::string_view text = sentence.substr(0, n - 3);
  if (Checksum(text.substr(1)) != high * 16 + low) return std::nullopt;
  return text;
}

std::optional<MskCommand> ParseMsk(std::string_view sentence) {
  constexpr std::string_view kPrefix = "$GPMSK,";
  if (sentence.substr(0, kPrefix.size()) != kPrefix) return std::nullopt;
  const auto fields = SplitFields(sentence.substr(kPrefix.size()));
  if (fields.size() != 5) return std::nullopt;
  MskCommand command;
  if (!ParseModal(fields[0], fields[1], ParseFrequency, command.frequencyKhz)) return std::nullopt;
  const auto parseRate = [](std::string_view f) {
    auto rate = ParseUnsigned(f, 1000);
    return rate && *rate > 0 ? rate : std::nullopt;
  };
  if (!ParseModal(fields[2], fields[3], parseRate, command.bitRate)) return std::nullopt;
  const auto interval = ParseUnsigned(fields[4], 100);
  if (!interval) return std::nullopt;
  command.interval = static_cast<unsigned>(*interval);
  return command;
}

Command ParseCommand(std::string_view line) {
  const auto dollar = line.rfind('$');
  if (dollar == std::string_view::npos) return {};
  const auto sentence = StripChecksum(line.substr(dollar));
  if (!sentence) return {};
  if (*sentence == "$PCSI,1") return {CommandKind::StatusRequest, {}};
  if (*sentence == "$PCSI,1,0") return {CommandKind::StatusStop, {}};
  if (const auto tune = ParseMsk(*sentence)) return {CommandKind::Tune, *tune};
  return {};
}

std::vector<LineAssembler::Line> LineAssembler::Feed(std::string_view bytes) {
  std::vector<Line> lines;
  for (char c : bytes) {
    if (c == '\r' || c == '\n') {
      if (discarding_) {
        lines.push_back({{}, true});
      } else if (!pending_.empty()) {
        lines.push_back({std::move(pending_), false});
      }
      pending_.clear();
      discarding_ = false;
    } else if (!discarding_) {
      if (pending_.size() == kMaxLine) {
        pending_.clear();
        discarding_ = true;
      } else {
        pending_ += c;
      }
    }
  }
  return lines;
}

std::string Escape(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F && b != '\\') {
      out += c;
    } else {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 0x0F];
    }
  }
  return out;
}

}  // namespace skylark::sim

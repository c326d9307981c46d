#include "receiver/sentences.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace skylark {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";
// The manual tune sentence's buffer, terminator included.
constexpr std::size_t kTuneCapacity = 128;
constexpr std::size_t kFrequencyWidth = 5;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool HasChecksum(std::string_view s) {
  return s.size() >= 3 && s[s.size() - 3] == '*' && HexValue(s[s.size() - 2]) >= 0 && HexValue(s.back()) >= 0;
}

std::uint8_t Xor(std::string_view body) {
  std::uint8_t sum = 0;
  for (const char c : body) sum ^= static_cast<std::uint8_t>(c);
  return sum;
}

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips white space and an optional sign, as the C runtime's conversions do; true for '-'.
bool TakeSign(std::string_view& text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  if (text.empty() || (text.front() != '+' && text.front() != '-')) return false;
  const bool negative = text.front() == '-';
  text.remove_prefix(1);
  return negative;
}

std::string_view Address(std::string_view sentence) {
  if (sentence.empty() || sentence.front() != '$') return {};
  const auto end = sentence.find_first_of(",*", 1);
  return sentence.substr(1, end == std::string_view::npos ? std::string_view::npos : end - 1);
}

std::string_view Field(const std::vector<std::string_view>& fields, std::size_t index) {
  return index < fields.size() ? fields[index] : std::string_view{};
}

// One decimal, at least five characters with leading blanks ("%5.1f" in the C locale), made
// without printf so that a user's decimal comma never reaches the receiver.
std::string FrequencyField(double frequency) {
  std::array<char, 400> digits{};
  const auto [end, error] =
      std::to_chars(digits.data(), digits.data() + digits.size(), frequency, std::chars_format::fixed, 1);
  if (error != std::errc()) return {};
  std::string field(digits.data(), end);
  if (field.size() < kFrequencyWidth) field.insert(0, kFrequencyWidth - field.size(), ' ');
  return field;
}

std::string Decimal(double value) {
  std::array<char, 64> digits{};
  const auto [end, error] =
      std::to_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed, 1);
  return error == std::errc() ? std::string(digits.data(), end) : std::string("0.0");
}

// The tune's frequency as the application writes it: blanks, then a plain fixed-point number.
std::optional<double> TuneFrequency(std::string_view field) {
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  if (field.empty() || !IsDigit(field.front())) return std::nullopt;
  double value = 0.0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value, std::chars_format::fixed);
  if (ec != std::errc{} || end != field.data() + field.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<int> Unsigned(std::string_view field, int max) {
  if (field.empty() || field.size() > 6) return std::nullopt;
  int value = 0;
  for (const char c : field) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value <= max ? std::optional<int>(value) : std::nullopt;
}

// A field with its A|M mode: an automatic one may be empty and is not used.
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

Checksum CheckSentence(std::string_view sentence) {
  if (!HasChecksum(sentence)) return Checksum::Absent;
  const std::size_t star = sentence.size() - 3;
  const std::size_t dollar = sentence.rfind('$', star);
  if (dollar == std::string_view::npos) return Checksum::Wrong;
  const auto given = static_cast<unsigned>(HexValue(sentence[star + 1]) * 16 + HexValue(sentence[star + 2]));
  return Xor(sentence.substr(dollar + 1, star - dollar - 1)) == given ? Checksum::Good : Checksum::Wrong;
}

std::string WithChecksum(std::string_view sentence) {
  const std::uint8_t sum = Xor(sentence.substr(sentence.empty() ? 0 : 1));
  std::string out(sentence);
  out += '*';
  out += kHex[sum >> 4];
  out += kHex[sum & 0x0F];
  return out;
}

SentenceKind KindOf(std::string_view sentence) {
  const std::string_view address = Address(sentence);
  if (address.size() == 5 && IsCapital(address[0]) && IsCapital(address[1]) && address.substr(2) == "MSS") {
    return SentenceKind::SignalStatus;
  }
  if (address.size() == 5 && IsCapital(address[0]) && IsCapital(address[1])) {
    const std::string_view type = address.substr(2);
    if (type == "MSK") return address == "GPMSK" ? SentenceKind::Tune : SentenceKind::TuneReport;
    if (type == "CRQ") return SentenceKind::Query;
  }
  if (address != "PCSI") return SentenceKind::Other;
  const std::vector<std::string_view> fields = SplitFields(sentence);
  const std::string_view first = Field(fields, 0);
  if (first == "CS0") return SentenceKind::StationReport;
  if (first == "ACK") return SentenceKind::Acknowledgement;
  if (first == "1" && fields.size() == 1) return SentenceKind::StatusRequest;
  if (first == "1" && fields.size() == 2 && fields[1] == "0") return SentenceKind::StatusStop;
  return SentenceKind::Other;
}

bool IsWellFormedSentence(std::string_view sentence) {
  const std::string_view address = Address(sentence);
  if (address.size() < 4 || address.size() > 6 || 1 + address.size() >= sentence.size()) return false;
  for (const char c : address) {
    if (!IsCapital(c) && !IsDigit(c)) return false;
  }
  return CheckSentence(sentence) != Checksum::Wrong;
}

std::vector<std::string_view> SplitFields(std::string_view sentence) {
  std::vector<std::string_view> fields;
  if (HasChecksum(sentence)) sentence.remove_suffix(3);
  const std::size_t start = 1 + Address(sentence).size() + 1;
  if (start > sentence.size()) return fields;
  std::string_view rest = sentence.substr(start);
  while (!rest.empty()) {
    const auto separator = rest.find_first_of(",*");
    fields.push_back(rest.substr(0, separator));
    if (separator == std::string_view::npos) break;
    rest.remove_prefix(separator + 1);
  }
  return fields;
}

std::int32_t ReadInt(std::string_view field) {
  const bool negative = TakeSign(field);
  // Out-of-range values saturate, as a 32-bit long conversion does.
  constexpr std::int64_t kBound = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t value = 0;
  for (const char c : field) {
    if (!IsDigit(c)) break;
    if (value < kBound) value = value * 10 + (c - '0');
  }
  if (negative) return static_cast<std::int32_t>(value >= kBound ? -kBound : -value);
  return static_cast<std::int32_t>(value >= kBound ? kBound - 1 : value);
}

double ReadReal(std::string_view field) {
  const bool negative = TakeSign(field);
  if (field.empty() || field.front() == '+' || field.front() == '-') return 0.0;
  double value = 0.0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  (void)end;
  // Infinity and NaN are no frequency; they would also poison the settings' integer forms.
  if (error != std::errc() || !std::isfinite(value)) return 0.0;
  return negative ? -value : value;
}

std::optional<SignalStatus> ParseSignalStatus(std::string_view sentence) {
  if (KindOf(sentence) != SentenceKind::SignalStatus) return std::nullopt;
  const std::vector<std::string_view> fields = SplitFields(sentence);
  if (fields.size() < 4) return std::nullopt;
  return SignalStatus{ReadInt(fields[0]), ReadInt(fields[1]), ReadReal(fields[2]), ReadInt(fields[3])};
}

std::string FormatSignalStatus(const SignalStatus& status) {
  return "$CRMSS," + std::to_string(status.strength) + "," + std::to_string(status.snr) + "," +
         Decimal(status.frequency) + "," + std::to_string(status.mskRate);
}

std::optional<StationReport> ParseStationReport(std::string_view sentence) {
  if (KindOf(sentence) != SentenceKind::StationReport) return std::nullopt;
  const std::vector<std::string_view> f = SplitFields(sentence);
  StationReport report;
  report.receiverSerial = Field(f, 1);
  report.channel = ReadInt(Field(f, 2));
  report.frequency = ReadReal(Field(f, 3));
  report.frequencyMode = Field(f, 4);
  report.mskRate = ReadInt(Field(f, 5));
  report.rateMode = Field(f, 6);
  report.signalStrength = ReadInt(Field(f, 7));
  report.snr = ReadInt(Field(f, 8));
  report.firmware = Field(f, 9);
  report.statusInterval = ReadInt(Field(f, 10));
  report.stationId = ReadInt(Field(f, 11));
  report.searchState = Field(f, 12);
  report.quality = ReadInt(Field(f, 13));
  return report;
}

std::string FormatStationReport(const StationReport& r) {
  return "$PCSI,CS0," + r.receiverSerial + "," + std::to_string(r.channel) + "," + Decimal(r.frequency) + "," +
         r.frequencyMode + "," + std::to_string(r.mskRate) + "," + r.rateMode + "," +
         std::to_string(r.signalStrength) + "," + std::to_string(r.snr) + "," + r.firmware + "," +
         std::to_string(r.statusInterval) + "," + std::to_string(r.stationId) + "," + r.searchState + "," +
         std::to_string(r.quality);
}

std::optional<Acknowledgement> ParseAcknowledgement(std::string_view sentence) {
  if (KindOf(sentence) != SentenceKind::Acknowledgement) return std::nullopt;
  return Acknowledgement{std::string(Field(SplitFields(sentence), 1))};
}

std::string FormatAcknowledgement(const Acknowledgement& ack) { return "$PCSI,ACK," + ack.acknowledged; }

std::string FormatTune(const TuneCommand& tune) {
  if (tune.interval > kMaxStatusInterval) return {};
  std::string frequency;
  if (tune.frequency) {
    // A frequency that is no number, or too large for the sentence buffer, would send a sentence
    // the receiver cannot take.
    if (!std::isfinite(*tune.frequency)) return {};
    frequency = FrequencyField(*tune.frequency);
    if (frequency.empty()) return {};
  }
  const std::string rate = tune.mskRate ? std::to_string(*tune.mskRate) : std::string();
  const std::string sentence = "$GPMSK," + frequency + (tune.frequency ? ",M," : ",A,") + rate +
                               (tune.mskRate ? ",M," : ",A,") + std::to_string(tune.interval);
  return sentence.size() < kTuneCapacity ? sentence : std::string();
}

namespace {

std::optional<TuneCommand> ParseMskFields(std::string_view sentence) {
  const std::vector<std::string_view> fields = SplitFields(sentence);
  if (fields.size() != 5) return std::nullopt;
  TuneCommand tune;
  if (!ParseModal(fields[0], fields[1], TuneFrequency, tune.frequency)) return std::nullopt;
  const auto rate = [](std::string_view f) {
    const auto value = Unsigned(f, 1000);
    return value && *value > 0 ? value : std::nullopt;
  };
  if (!ParseModal(fields[2], fields[3], rate, tune.mskRate)) return std::nullopt;
  const auto interval = Unsigned(fields[4], static_cast<int>(kMaxStatusInterval));
  if (!interval) return std::nullopt;
  tune.interval = static_cast<std::uint32_t>(*interval);
  return tune;
}

}  // namespace

std::optional<TuneCommand> ParseTune(std::string_view sentence) {
  if (KindOf(sentence) != SentenceKind::Tune) return std::nullopt;
  return ParseMskFields(sentence);
}

std::optional<TuneCommand> ParseTuneReport(std::string_view sentence) {
  if (KindOf(sentence) != SentenceKind::TuneReport) return std::nullopt;
  return ParseMskFields(sentence);
}

std::string FormatTuneReport(const TuneCommand& tune) {
  std::string sentence = FormatTune(tune);
  if (!sentence.empty()) sentence.replace(1, 2, "CR");
  return sentence;
}

std::string_view QueriedSentence(std::string_view sentence) {
  if (KindOf(sentence) != SentenceKind::Query) return {};
  const std::vector<std::string_view> fields = SplitFields(sentence);
  return fields.size() == 1 && fields[0].size() == 3 ? fields[0] : std::string_view{};
}

}  // namespace skylark

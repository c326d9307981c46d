#include "receiver/receiver_link.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

#include "resources/strings.h"

namespace skylark {
namespace {

constexpr std::uint32_t kMaxInterval = 100;
// The sentence buffers of the two tune commands, terminator included; the automatic one
// always fits.
constexpr std::size_t kManualSentenceCapacity = 128;
constexpr std::size_t kFrequencyWidth = 5;

// One decimal, at least five characters with leading blanks ("%5.1f" in the C locale), made
// without printf so that a user's decimal comma never reaches the receiver.
std::string FrequencyField(double frequencyKhz) {
  std::array<char, 400> digits{};
  const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(),
                                          frequencyKhz, std::chars_format::fixed, 1);
  if (error != std::errc()) return {};
  std::string field(digits.data(), end);
  if (field.size() < kFrequencyWidth) field.insert(0, kFrequencyWidth - field.size(), ' ');
  return field;
}

}  // namespace

std::u16string FormatAutomaticTune(std::uint32_t interval) {
  if (interval > kMaxInterval) return {};
  return resources::FromUtf8("$GPMSK,,A,,A," + std::to_string(interval));
}

std::u16string FormatManualTune(double frequencyKhz, int bitRate, std::uint32_t interval) {
  // A frequency that is not a number, or too large for the sentence buffer, would send a
  // sentence the receiver cannot take.
  if (interval > kMaxInterval || !std::isfinite(frequencyKhz)) return {};
  const std::string frequency = FrequencyField(frequencyKhz);
  if (frequency.empty()) return {};
  const std::string sentence = "$GPMSK," + frequency + ",M," + std::to_string(bitRate) + ",M," +
                               std::to_string(interval);
  if (sentence.size() >= kManualSentenceCapacity) return {};
  return resources::FromUtf8(sentence);
}

ReceiverLink::ReceiverLink(std::u16string_view name, std::uint32_t baudRate, std::uint32_t parity,
                           std::uint32_t dataBits, std::uint32_t stopBits,
                           std::uint32_t flowControl)
    : port_(std::make_unique<ReceiverPort>(name, baudRate, parity, dataBits, stopBits,
                                           flowControl, AccessMode::ReadWrite)),
      output_(port_.get()),
      input_(port_.get()) {}

bool ReceiverLink::TuneAutomatic(std::uint32_t interval) {
  if (output_ == nullptr) return false;
  const std::u16string sentence = FormatAutomaticTune(interval);
  return !sentence.empty() && output_->SendSentence(sentence);
}

bool ReceiverLink::TuneManual(double frequencyKhz, int bitRate, std::uint32_t interval) {
  if (output_ == nullptr) return false;
  const std::u16string sentence = FormatManualTune(frequencyKhz, bitRate, interval);
  return !sentence.empty() && output_->SendSentence(sentence);
}

bool ReceiverLink::RequestStatus() {
  return output_ != nullptr && output_->SendSentence(u"$PCSI,1");
}

bool ReceiverLink::RequestStatusZero() {
  return output_ != nullptr && output_->SendSentence(u"$PCSI,1,0");
}

bool ReceiverLink::AwaitAcknowledge(std::uint64_t after) {
  return input_ != nullptr && input_->AwaitLine(u"$PCSI,ACK", after);
}

std::optional<StatusReading> ReceiverLink::ReadSignalStatus() {
  if (input_ == nullptr || !input_->IsOpen()) return std::nullopt;
  // Receivers name the sentence with their own talker: "$CRMSS", "$GPMSS".
  constexpr std::u16string_view kStatusSentence = u"$--MSS";
  std::optional<QueuedLine> line;
  TextList fields;
  if (input_->QueueMode()) {
    line = input_->TakeNewestReply(kStatusSentence);
    if (!line) return std::nullopt;
    SplitFields(line->text, kStatusSentence.size() + 1, fields);
  } else if (!input_->QueryFields(kStatusSentence, fields)) {
    return std::nullopt;
  }
  // A sentence cut short by noise is no reading: the values it lacks would show as zero.
  if (fields.Count() < 4) return std::nullopt;
  StatusReading reading;
  reading.strength = TakeInt(fields);
  reading.snr = TakeInt(fields);
  reading.frequency = TakeReal(fields);
  reading.mskRate = TakeInt(fields);
  reading.received = line ? line->arrived : ReadingTime::Now();
  return reading;
}

void ReceiverLink::ReadReceiverStatus(ReceiverStatusLine& line, std::uint64_t after) {
  if (input_ == nullptr) return;
  TextList fields;
  input_->QueryFields(u"$PCSI,CS0", fields, after);
  line.field1 = TakeText(fields);
  line.field2 = TakeInt(fields);
  line.frequency = TakeReal(fields);
  line.field4 = TakeText(fields);
  line.mskRate = TakeInt(fields);
  line.field6 = TakeText(fields);
  line.signalStrength = TakeInt(fields);
  line.snr = TakeInt(fields);
  line.field9 = TakeText(fields);
  line.field10 = TakeInt(fields);
  line.stationId = TakeInt(fields);
  line.field12 = TakeText(fields);
  line.field13 = TakeInt(fields);
}

}  // namespace skylark

#include "receiver/receiver_probe.h"

#include <array>

#include "platform/port_devices.h"
#include "receiver/sentence_framer.h"
#include "receiver/sentences.h"

namespace skylark {

std::optional<ProbeAnswer> ProbeReceiver(std::u16string_view name, AccessMode access,
                                         std::chrono::milliseconds wait) {
  if (!Allows(access, AccessMode::Read) || platform::IsConsole(name)) return std::nullopt;
  // Short reads, so that the deadline is kept to a few tens of milliseconds.
  LineSettings line = kReceiverLine;
  line.timeouts->readTotalConstant = 50;
  SerialPort port(name, access);
  if (!port.Open(name, access, line)) return std::nullopt;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  ProbeAnswer answer;
  bool reported = false;
  if (Allows(access, AccessMode::Write)) port.SendSentence(kStatusRequest);
  SentenceFramer framer;
  const SentenceFramer::Sink take = [&](std::string_view sentence, std::uint64_t) {
    const SentenceKind kind = KindOf(sentence);
    if (kind == SentenceKind::StatusRequest) {
      answer.echo = true;
    } else if (IsWellFormedSentence(sentence)) {
      answer.answered = true;
      if (const auto report = ParseStationReport(sentence)) {
        answer.stationId = report->stationId;
        answer.frequency = report->frequency;
        reported = true;
      }
    }
  };
  std::array<std::uint8_t, 64> buffer{};
  while (!reported && port.IsOpen() && std::chrono::steady_clock::now() < deadline) {
    std::size_t got = 0;
    if (!port.Read(buffer.data(), buffer.size(), got)) break;
    framer.Feed(buffer.data(), got, take);
  }
  port.Close();
  return answer;
}

}  // namespace skylark

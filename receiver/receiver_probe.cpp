#include "receiver/receiver_probe.h"

#include <array>

#include "receiver/receiver_monitor.h"
#include "receiver/receiver_port.h"

namespace skylark {
namespace {

bool Readable(AccessMode access) {
  return (static_cast<std::uint32_t>(access) & static_cast<std::uint32_t>(AccessMode::Read)) != 0;
}

bool Writable(AccessMode access) {
  return (static_cast<std::uint32_t>(access) & static_cast<std::uint32_t>(AccessMode::Write)) != 0;
}

// The station and frequency of a "$PCSI,CS0" report (fields 11 and 3); false for any other line.
bool ReadStationReport(std::u16string_view line, ProbeAnswer& answer) {
  constexpr std::u16string_view kReport = u"$PCSI,CS0";
  const std::size_t at = FindSentence(line, kReport);
  if (at == std::u16string_view::npos) return false;
  TextList fields;
  SplitFields(line.substr(at), kReport.size() + 1, fields);
  TakeText(fields);
  TakeInt(fields);
  answer.frequency = TakeReal(fields);
  for (int skip = 0; skip < 7; ++skip) TakeText(fields);
  answer.stationId = TakeInt(fields);
  return true;
}

}  // namespace

bool IsWellFormedSentence(std::u16string_view line) {
  if (line.empty() || line[0] != u'$') return false;
  std::size_t address = 1;
  while (address < line.size() && ((line[address] >= u'A' && line[address] <= u'Z') ||
                                   (line[address] >= u'0' && line[address] <= u'9'))) {
    ++address;
  }
  // "$PCSI" and "$CRMSS": a proprietary or a talker-and-type address of four to six characters.
  if (address < 5 || address > 7 || address == line.size()) return false;
  if (line[address] != u',' && line[address] != u'*') return false;
  return CheckSentence(line) != Checksum::Wrong;
}

std::optional<ProbeAnswer> ProbeReceiver(std::u16string_view name, AccessMode access,
                                         std::chrono::milliseconds wait) {
  if (!Readable(access)) return std::nullopt;
  // Short reads, so that the deadline is kept to a few tens of milliseconds.
  constexpr platform::LineTimeouts kProbeTimeouts{1, 1, 50, 10, 1000};
  ReceiverPort port(name, 4800, 0, 8, 0, 0, access);
  if (!port.Open(name, 4800, 0, 8, 0, 0, access, &kProbeTimeouts)) return std::nullopt;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  ProbeAnswer answer;
  bool reported = false;
  if (Writable(access)) port.SendSentence(u"$PCSI,1");
  SentenceAssembler assembler;
  const SentenceAssembler::Sink take = [&](std::u16string_view line) {
    if (!IsWellFormedSentence(line)) return;
    answer.answered = true;
    reported = reported || ReadStationReport(line, answer);
  };
  std::array<std::uint8_t, 64> buffer{};
  while (!reported && port.IsOpen() && std::chrono::steady_clock::now() < deadline) {
    std::size_t got = 0;
    if (!port.Read(buffer.data(), buffer.size(), got)) break;
    assembler.AssembleSentences(buffer.data(), got, take);
  }
  port.Close();
  return answer;
}

}  // namespace skylark

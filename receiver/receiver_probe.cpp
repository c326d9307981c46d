#include "receiver/receiver_probe.h"

#include <algorithm>
#include <array>
#include <future>

#include "platform/port_devices.h"
#include "receiver/scan_ports.h"
#include "receiver/sentence_framer.h"
#include "receiver/sentences.h"

namespace skylark {

std::optional<ProbeAnswer> ProbeReceiver(std::u16string_view name, AccessMode access,
                                         std::chrono::milliseconds wait, std::optional<LineError>* failure) {
  if (!Allows(access, AccessMode::Read) || platform::IsConsole(name)) return std::nullopt;
  // Short reads, so that the deadline is kept to a few tens of milliseconds.
  LineSettings line = kReceiverLine;
  line.timeouts->readTotalConstant = 50;
  SerialPort port(name, access);
  if (!port.Open(name, access, line)) {
    if (failure != nullptr) *failure = port.OpenFailure();
    return std::nullopt;
  }
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

ReceiverSearch FindReceiver(std::chrono::milliseconds wait) {
  TextList names;
  ListPortNames(names);
  ReceiverSearch search;
  std::vector<std::u16string> nodes;  // the device each port reaches, empty where unknown
  for (const std::u16string& name : names) {
    PortProbe port{name, platform::IsConsole(name), {}, {}};
    const std::u16string node = platform::PortDeviceNode(name);
    if (const auto first = std::find(nodes.begin(), nodes.end(), node); !node.empty() && first != nodes.end()) {
      port.sameAs = static_cast<std::size_t>(first - nodes.begin());
    }
    nodes.push_back(node);
    search.ports.push_back(std::move(port));
  }
  std::vector<std::future<void>> asked;
  for (PortProbe& port : search.ports) {
    if (port.console || port.sameAs) continue;
    asked.push_back(std::async(std::launch::async, [&port, wait] {
      port.answer = ProbeReceiver(port.name, AccessMode::ReadWrite, wait, &port.failure);
    }));
  }
  for (auto& probe : asked) probe.get();
  for (PortProbe& port : search.ports) {
    if (port.sameAs) port.answer = search.ports[*port.sameAs].answer;
  }
  for (std::size_t i = 0; i < search.ports.size() && !search.found; ++i) {
    if (search.ports[i].answer && search.ports[i].answer->answered) search.found = i;
  }
  return search;
}

}  // namespace skylark

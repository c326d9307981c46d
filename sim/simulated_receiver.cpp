#include "sim/simulated_receiver.h"

#include <charconv>

namespace skylark::sim {
namespace {

// Sentences of other talkers that line noise may leave half-written on the wire; none of them
// starts like a reply the application waits for.
constexpr std::string_view kForeign[] = {
    "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47",
    "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A",
    "$PCSI,CS1,0,1,2,3",
};

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  while (!text.empty()) {
    const auto start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) break;
    text.remove_prefix(start);
    const auto end = text.find_first_of(" \t");
    words.push_back(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end);
  }
  return words;
}

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc{} && end == text.data() + text.size();
}

}  // namespace

void SimulatedReceiver::Emit(Output& out, std::string_view sentence) {
  if (faults_.silence) return;
  if (faults_.garbage) {
    std::string noise;
    const int count = 1 + static_cast<int>(noise_() % 12);
    for (int i = 0; i < count; ++i) {
      char c = static_cast<char>(noise_() % 256);
      // A '$' or line end would make the noise a line of its own or the start of a sentence.
      if (c == '$' || c == '\n' || c == '\r') c = '~';
      noise += c;
    }
    noise += "\r\n";
    out.push_back(std::move(noise));
    const auto& foreign = kForeign[noise_() % std::size(kForeign)];
    out.push_back(std::string(foreign.substr(0, 3 + noise_() % (foreign.size() - 3))) + "\r\n");
  }
  out.push_back(Finish(sentence));
}

void SimulatedReceiver::SetInterval(unsigned interval, Millis now) {
  interval_ = interval;
  nextStatus_ = now + std::chrono::seconds(interval);
}

Output SimulatedReceiver::OnLine(std::string_view line, Millis now) {
  Output out;
  const Command command = ParseCommand(line);
  switch (command.kind) {
    case CommandKind::Ignored:
      break;
    case CommandKind::Tune:
      model_.Tune(command.tune, now);
      SetInterval(command.tune.interval, now);
      if (!faults_.dropAck) Emit(out, "$PCSI,ACK,GPMSK");
      break;
    case CommandKind::StatusRequest:
      if (ackAll_ && !faults_.dropAck) Emit(out, "$PCSI,ACK,PCSI");
      Emit(out, ReceiverStatusSentence(model_.Read(now), model_.Tuning()));
      break;
    case CommandKind::StatusQuery:
      Emit(out, SignalStatusSentence(model_.Read(now)));
      break;
    case CommandKind::TuneQuery: {
      // The interval it reports is the one in force: after a power cycle, none.
      TuneCommand tuning = model_.Tuning();
      tuning.interval = interval_;
      Emit(out, FormatTuneReport(tuning));
      break;
    }
    case CommandKind::StatusStop:
      SetInterval(0, now);
      if (ackAll_ && !faults_.dropAck) Emit(out, "$PCSI,ACK,PCSI");
      break;
  }
  return out;
}

Output SimulatedReceiver::OnTime(Millis now) {
  Output out;
  // One sentence per call at most: after a stall the receiver does not send a burst of stale ones.
  if (interval_ == 0 || now < nextStatus_) return out;
  SignalReading reading = model_.Read(now);
  ++statusCount_;
  if (faults_.numbered) reading.strength = statusCount_;
  Emit(out, SignalStatusSentence(reading));
  nextStatus_ += std::chrono::seconds(interval_);
  if (nextStatus_ <= now) nextStatus_ = now + std::chrono::seconds(interval_);
  return out;
}

std::optional<Millis> SimulatedReceiver::NextDue() const {
  if (interval_ == 0) return std::nullopt;
  return nextStatus_;
}

SimulatedReceiver::ControlResult SimulatedReceiver::Control(std::string_view command, Millis now,
                                                            std::string& message) {
  const auto words = Words(command);
  message.clear();
  if (words.size() == 1 && words[0] == "quit") return ControlResult::Quit;
  if (words.size() == 1 && words[0] == "hangup") return ControlResult::Hangup;
  if (words.size() == 1 && words[0] == "power-cycle") {
    // A receiver that lost power keeps its tune but forgets its status interval, and searches anew.
    model_.Tune(model_.Tuning(), now);
    SetInterval(0, now);
    message = "power-cycle";
    return ControlResult::Done;
  }
  if (words.size() == 2 && (words[1] == "on" || words[1] == "off")) {
    bool* flag = words[0] == "silence"    ? &faults_.silence
                 : words[0] == "garbage"  ? &faults_.garbage
                 : words[0] == "drop-ack" ? &faults_.dropAck
                                          : nullptr;
    if (flag != nullptr) {
      *flag = words[1] == "on";
      message = std::string(words[0]) + " " + std::string(words[1]);
      return ControlResult::Done;
    }
  }
  if (words.size() == 3 && words[0] == "snr") {
    std::uint16_t id = 0;
    int snr = 0;
    if (ParseNumber(words[1], id) && ParseNumber(words[2], snr) && snr >= 0 && snr <= 99) {
      if (!model_.SetSnr(id, snr)) {
        const BeaconSite* site = catalogue_.FindByStationId(id);
        if (site == nullptr) {
          message = "no station " + std::string(words[1]);
          return ControlResult::Invalid;
        }
        model_.Hear(*site, snr, 40 + snr);
      }
      message = "snr " + std::to_string(id) + " " + std::to_string(snr);
      return ControlResult::Done;
    }
  }
  message = "unknown command: " + Escape(command);
  return ControlResult::Invalid;
}

}  // namespace skylark::sim

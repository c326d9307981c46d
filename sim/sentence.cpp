#include "sim/sentence.h"


namespace skylark::sim {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

}  // namespace

std::string Finish(std::string_view sentence) { return WithChecksum(sentence) + "\r\n"; }

Command ParseCommand(std::string_view line) {
  const auto dollar = line.rfind('$');
  if (dollar == std::string_view::npos) return {};
  const std::string_view sentence = line.substr(dollar);
  if (CheckSentence(sentence) == Checksum::Wrong) return {};
  switch (KindOf(sentence)) {
    case SentenceKind::StatusRequest:
      return {CommandKind::StatusRequest, {}};
    case SentenceKind::StatusStop:
      return {CommandKind::StatusStop, {}};
    case SentenceKind::Tune:
      if (const auto tune = ParseTune(sentence)) return {CommandKind::Tune, *tune};
      return {};
    case SentenceKind::Query:
      if (QueriedSentence(sentence) == "MSS") return {CommandKind::StatusQuery, {}};
      if (QueriedSentence(sentence) == "MSK") return {CommandKind::TuneQuery, {}};
      return {};
    default:
      return {};
  }
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

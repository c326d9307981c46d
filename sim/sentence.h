#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "receiver/sentences.h"

// The receiver's side of the sentence protocol: the commands it understands and the bounded
// assembly of input lines.
namespace skylark::sim {

// "$<body>*hh" followed by CR LF, ready for the line; `sentence` starts with '$'.
std::string Finish(std::string_view sentence);

enum class CommandKind { Ignored, Tune, StatusRequest, StatusStop, StatusQuery, TuneQuery };

struct Command {
  CommandKind kind = CommandKind::Ignored;
  TuneCommand tune;  // for Tune only
};

// What one received line asks for. Noise in front of the last '$' is skipped, as a receiver
// resynchronises on the start of a sentence; a sentence with a wrong checksum asks for nothing.
Command ParseCommand(std::string_view line);

// Cuts received bytes into lines at CR or LF. A line longer than the bound is dropped whole, up
// to the next line end, so a flood of noise costs no memory.
class LineAssembler {
 public:
  static constexpr std::size_t kMaxLine = 256;

  struct Line {
    std::string text;
    bool overflowed = false;  // text is empty; the line was too long
  };

  std::vector<Line> Feed(std::string_view bytes);

 private:
  std::string pending_;
  bool discarding_ = false;
};

// The text with bytes outside printable ASCII shown as \xNN, for the log.
std::string Escape(std::string_view bytes);

}  // namespace skylark::sim

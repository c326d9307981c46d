#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The receiver's side of the sentence protocol: checksums, the commands it understands and the
// bounded assembly of input lines.
namespace skylark::sim {

// XOR of every character of `body` (the text between '$' and '*').
std::uint8_t Checksum(std::string_view body);

// "$<body>*hh" followed by CR LF, ready for the line; `sentence` starts with '$'.
std::string Finish(std::string_view sentence);

// The sentence without a trailing "*hh" (digits of either case); nullopt when the checksum is
// there but wrong. A sentence without one is taken as it is: the application sends none.
std::optional<std::string_view> StripChecksum(std::string_view sentence);

// A tune request. A field left to the receiver's own search is empty.
struct MskCommand {
  std::optional<double> frequencyKhz;
  std::optional<int> bitRate;
  unsigned interval = 0;  // seconds between signal-status sentences, 0 = none

  bool operator==(const MskCommand&) const = default;
};

// "$GPMSK,<freq>,<A|M>,<rate>,<A|M>,<interval>" without its checksum; nullopt when malformed
// (wrong field count, unknown mode, a manual field that is empty or not a number, interval
// above 100).
std::optional<MskCommand> ParseMsk(std::string_view sentence);

enum class CommandKind { Ignored, Tune, StatusRequest, StatusStop };

struct Command {
  CommandKind kind = CommandKind::Ignored;
  MskCommand tune;  // for Tune only
};

// What one received line asks for. Noise in front of the last '$' is skipped, as a receiver
// resynchronises on the start of a sentence.
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

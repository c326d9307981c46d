#include "receiver/receiver_monitor.h"

namespace skylark {
namespace {

constexpr std::uint8_t kDollar = 0x24;
constexpr std::uint8_t kLineFeed = 0x0A;
// Sentence text is printable ASCII; anything else ends the text of its piece.
constexpr bool Printable(std::uint8_t b) { return b >= 0x21 && b <= 0x7F; }

}  // namespace

std::size_t SentenceAssembler::TakePiece(const std::uint8_t* bytes, std::size_t count,
                                         char16_t (&piece)[kPieceSize]) {
  piece[0] = u'\0';
  std::size_t consumed = 0;
  std::size_t stored = 0;
  while (stored < kPieceSize - 1 && consumed < count) {
    const std::uint8_t b = bytes[consumed++];
    const char16_t c = Printable(b) ? static_cast<char16_t>(b) : u'\0';
    if (b == kDollar && !boundary_) {
      // The '$' opens the next sentence: give it back so that the next piece starts with it.
      --consumed;
      boundary_ = true;
      break;
    }
    piece[stored++] = c;
    boundary_ = false;
    if (b == kLineFeed) {
      boundary_ = true;
      break;
    }
  }
  piece[stored] = u'\0';
  return consumed;
}

void SentenceAssembler::AssembleSentences(const std::uint8_t* bytes, std::size_t count,
                                          const Sink& emit) {
  boundary_ = false;
  while (count > 0) {
    char16_t piece[kPieceSize];
    const std::size_t n = TakePiece(bytes, count, piece);
    if (n == 0) {
      // A '$' that opens this read (or a piece) also ends whatever came before it, so a
      // sentence that lost its LF does not run into the next one.
      if (pendingLength_ > 0) Flush(emit);
      continue;
    }
    for (std::size_t i = 0; i < kPieceSize && piece[i] != u'\0'; ++i) {
      // Text beyond the buffer is cut until the sentence ends.
      if (pendingLength_ < kPendingSize - 1) pending_[pendingLength_++] = piece[i];
    }
    if (boundary_) Flush(emit);
    bytes += n;
    if (n >= count) break;
    count -= n;
  }
}

void SentenceAssembler::Flush(const Sink& emit) {
  emit(std::u16string_view(pending_, pendingLength_));
  pendingLength_ = 0;
  pending_[0] = u'\0';
}

}  // namespace skylark

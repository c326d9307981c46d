#include "receiver/sentence_framer.h"

#include "receiver/sentences.h"

namespace skylark {

void SentenceFramer::Feed(const std::uint8_t* bytes, std::size_t count, const Sink& emit) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t b = bytes[i];
    ++bytes_;
    if (b == '$') {
      // A '$' also ends a sentence that lost its line end, so it does not run into this one.
      if (inSentence_) End(emit);
      inSentence_ = true;
      start_ = bytes_ - 1;
      pending_.assign(1, '$');
    } else if (b == '\r' || b == '\n') {
      if (inSentence_) End(emit);
    } else if (inSentence_) {
      if (b < 0x20 || b > 0x7E || pending_.size() >= kMaxSentence) {
        corrupt_ = true;
      } else {
        pending_.push_back(static_cast<char>(b));
      }
    }
  }
}

void SentenceFramer::End(const Sink& emit) {
  const bool good = !corrupt_ && CheckSentence(pending_) != Checksum::Wrong;
  inSentence_ = false;
  corrupt_ = false;
  if (!good) {
    ++rejected_;
  } else {
    ++sentences_;
    emit(pending_, start_);
  }
  pending_.clear();
}

void SentenceFramer::Reset() {
  pending_.clear();
  inSentence_ = false;
  corrupt_ = false;
}

}  // namespace skylark

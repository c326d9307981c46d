#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace skylark {

// Cuts the receiver's byte stream into sentences, one byte at a time, so that the sentences found
// never depend on how the reads split the stream. A sentence starts at '$' and ends at CR or LF
// (CR LF gives one), or just before a '$' that opens the next one. A sentence holding a byte
// outside printable ASCII, longer than kMaxSentence or with a wrong "*hh" is dropped whole and
// counted: line noise must not turn into readings with wrong values. Bytes outside any sentence
// are skipped.
class SentenceFramer {
 public:
  // `start` is the position of the sentence's '$' among all the bytes fed so far.
  using Sink = std::function<void(std::string_view sentence, std::uint64_t start)>;

  // NMEA allows 82 characters; receivers' proprietary reports run longer, never this long.
  static constexpr std::size_t kMaxSentence = 255;

  void Feed(const std::uint8_t* bytes, std::size_t count, const Sink& emit);
  // Forgets the sentence begun so far (the line was reopened); the counts go on.
  void Reset();

  // True while a sentence has begun and not yet ended.
  bool InSentence() const { return inSentence_; }
  std::uint64_t Bytes() const { return bytes_; }
  std::uint64_t Sentences() const { return sentences_; }
  std::uint64_t Rejected() const { return rejected_; }

 private:
  void End(const Sink& emit);

  std::string pending_;
  std::uint64_t start_ = 0;
  bool inSentence_ = false;
  bool corrupt_ = false;
  std::uint64_t bytes_ = 0;
  std::uint64_t sentences_ = 0;
  std::uint64_t rejected_ = 0;
};

}  // namespace skylark

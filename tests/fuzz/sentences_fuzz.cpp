// Receiver bytes, cut into reads at random points -> sentences. Whatever the receiver sends, a
// sentence is short printable text starting with '$', and the same bytes give the same sentences
// however the reads split them: fed whole and in two random splits, the results are equal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "receiver/sentence_framer.h"

namespace {

struct Framed {
  std::vector<std::string> sentences;
  std::vector<std::uint64_t> starts;
  std::uint64_t rejected = 0;
  bool operator==(const Framed&) const = default;
};

void Require(bool holds) {
  if (!holds) std::abort();
}

// Reads whose sizes follow a small generator seeded from the input, so that every split can be
// reached; seed 0: the stream in one read.
Framed Frame(const std::vector<std::uint8_t>& stream, std::uint32_t seed) {
  skylark::SentenceFramer framer;
  Framed framed;
  std::size_t at = 0;
  while (at < stream.size()) {
    std::size_t read = stream.size() - at;
    if (seed != 0) {
      seed = seed * 1103515245u + 12345u;
      const std::size_t size = (seed >> 16) % 8 == 0 ? 1 + (seed >> 8) % 600 : 1 + (seed >> 8) % 16;
      read = std::min(read, size);
    }
    framer.Feed(stream.data() + at, read, [&](std::string_view sentence, std::uint64_t start) {
      framed.sentences.emplace_back(sentence);
      framed.starts.push_back(start);
    });
    at += read;
  }
  framed.rejected = framer.Rejected();
  return framed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::uint32_t first = (data[0] | data[1] << 8) | 1u;
  const std::uint32_t second = (data[2] | data[3] << 8) | 1u;
  const std::vector<std::uint8_t> raw(data + 4, data + size);
  const Framed whole = Frame(raw, 0);
  for (std::size_t i = 0; i < whole.sentences.size(); ++i) {
    const std::string& sentence = whole.sentences[i];
    Require(!sentence.empty() && sentence[0] == '$');
    Require(sentence.size() <= skylark::SentenceFramer::kMaxSentence);
    for (const char c : sentence) Require(c >= 0x20 && c <= 0x7E);
    Require(whole.starts[i] < raw.size() && raw[whole.starts[i]] == '$');
  }
  Require(Frame(raw, first) == whole);
  Require(Frame(raw, second) == whole);
  return 0;
}

// Receiver bytes, cut into reads of any size -> queued sentences. Whatever the receiver sends,
// a queued line is short printable text; a well-formed stream gives the same lines however the
// reads fall.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "receiver/receiver_monitor.h"

namespace {

using Lines = std::vector<std::u16string>;

void Require(bool holds) {
  if (!holds) std::abort();
}

// Splits the stream into reads whose sizes follow a small generator seeded from the input, so
// that every read pattern can be reached. A size of 0 means the stream in one read.
Lines Assemble(const std::vector<std::uint8_t>& stream, std::uint32_t seed) {
  skylark::SentenceAssembler assembler;
  Lines lines;
  const skylark::SentenceAssembler::Sink keep = [&lines](std::u16string_view line) {
    lines.emplace_back(line);
  };
  std::size_t at = 0;
  while (at < stream.size()) {
    std::size_t read = stream.size() - at;
    if (seed != 0) {
      seed = seed * 1103515245u + 12345u;
      // Mostly the reader's 16-byte reads and less, now and then a long backlog.
      const std::size_t size = (seed >> 16) % 8 == 0 ? 1 + (seed >> 8) % 600 : 1 + (seed >> 8) % 16;
      read = std::min(read, size);
    }
    assembler.AssembleSentences(stream.data() + at, read, keep);
    at += read;
  }
  return lines;
}

void CheckLines(const Lines& lines) {
  for (const auto& line : lines) {
    Require(line.size() <= skylark::SentenceAssembler::kPendingSize - 1);
    for (const char16_t c : line) Require(c >= 0x21 && c <= 0x7F);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint32_t seed = (data[0] | data[1] << 8) | 1u;
  const std::vector<std::uint8_t> raw(data + 2, data + size);
  CheckLines(Assemble(raw, 0));
  CheckLines(Assemble(raw, seed));

  // Bytes outside 0x21-0x7F cut the rest of their piece, and where pieces end depends on the
  // reads, so only a stream without them (line ends apart) is read alike in every split. Make
  // one: every other byte becomes a line end, and a CR is kept only before its LF.
  std::vector<std::uint8_t> clean;
  clean.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const std::uint8_t b = raw[i];
    const bool crlf = b == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n';
    clean.push_back((b >= 0x21 && b <= 0x7F) || crlf ? b : '\n');
  }
  const Lines whole = Assemble(clean, 0);
  CheckLines(whole);
  Require(Assemble(clean, seed) == whole);
  return 0;
}

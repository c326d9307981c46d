// Sentence framing against the line rate: at 4800 baud a byte is 10 bits, so the receiver can
// send at most 480 bytes a second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "receiver/sentence_framer.h"

namespace {

constexpr double kLineRateBytesPerSecond = 4800.0 / 10.0;

// What a locked receiver sends: its status every second, and now and then a status report.
std::string ReceiverStream() {
  std::string stream;
  for (int i = 0; i < 200; ++i) {
    stream += "$CRMSS,42,15,300.0,200,0*5D\r\n";
    if (i % 10 == 0) stream += "$PCSI,CS0,PXMF,0,306.0,M,200,M,42,15,X,1,712,Y,0*35\r\n";
  }
  return stream;
}

void BM_FrameSentences(benchmark::State& state) {
  const std::string text = ReceiverStream();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto read = static_cast<std::size_t>(state.range(0));
  skylark::SentenceFramer framer;
  std::size_t lines = 0;
  const skylark::SentenceFramer::Sink count = [&lines](std::string_view, std::uint64_t) { ++lines; };
  for (auto _ : state) {
    for (std::size_t at = 0; at < text.size(); at += read) {
      framer.Feed(bytes + at, std::min(read, text.size() - at), count);
    }
  }
  benchmark::DoNotOptimize(lines);
  const double bytes_done = static_cast<double>(text.size()) * static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes_done));
  state.counters["x_line_rate"] =
      benchmark::Counter(bytes_done / kLineRateBytesPerSecond, benchmark::Counter::kIsRate);
}

// 1 is a paced receiver's byte-at-a-time trickle, 128 the reader's largest read, 4096 a backlog.
BENCHMARK(BM_FrameSentences)->Arg(1)->Arg(128)->Arg(4096);

}  // namespace

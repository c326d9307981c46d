// Loading the site file: the bundled list and a generated 100,000-line one, against a plain
// byte-at-a-time read of the same file as the floor of what "read byte by byte" costs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/counting_allocator.h"
#include "resources/strings.h"
#include "sites/site_catalogue.h"
#include "sites/site_file.h"

namespace {

using namespace skylark;

class SilentReporter final : public SiteFileReporter {
 public:
  void SiteFileOpenFailed() override {}
};

const std::string kBundled = SKYLARK_SOURCE_DIR "/data/DGPSSites.csv";

// 100,000 lines made from the bundled list's lines with fresh station IDs, so that every site
// enters the ID index.
const std::string& GeneratedFile() {
  static const std::string path = [] {
    std::ifstream in(kBundled, std::ios::binary);
    std::string line;
    std::string out;
    std::vector<std::string> stems;
    while (std::getline(in, line)) {
      int commas = 0;
      std::size_t cut = 0;
      for (std::size_t i = 0; i < line.size() && commas < 5; ++i) {
        if (line[i] == ',' && ++commas == 5) cut = i;
      }
      if (commas == 5) stems.push_back(line.substr(0, cut));
    }
    for (int i = 0; i < 100000; ++i) {
      out += stems[static_cast<std::size_t>(i) % stems.size()];
      out += ',';
      out += std::to_string(1 + i % 65535);
      out += ',';
      out += std::to_string(1 + (i + 7) % 65535);
      out += "\r\n";
    }
    const std::string file = "/tmp/skylark-bench-100000.csv";
    std::ofstream(file, std::ios::binary | std::ios::trunc) << out;
    return file;
  }();
  return path;
}

void LoadFile(benchmark::State& state, const std::string& path) {
  SilentReporter reporter;
  std::size_t sites = 0;
  std::size_t peak = 0;
  for (auto _ : state) {
    SiteCatalogue catalogue;
    bench::ResetHeapPeak();
    const std::size_t before = bench::HeapInUse();
    if (!ReadSiteFile(resources::FromUtf8(path), catalogue, reporter)) state.SkipWithError("cannot open");
    peak = bench::HeapPeak() - before;
    sites = catalogue.Count();
    benchmark::DoNotOptimize(catalogue);
  }
  state.counters["sites"] = static_cast<double>(sites);
  state.counters["sites/s"] = benchmark::Counter(static_cast<double>(sites), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["heap_peak_MB"] = static_cast<double>(peak) / 1e6;
}

void ReadByteByByte(benchmark::State& state, const std::string& path) {
  std::size_t total = 0;
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    unsigned char byte = 0;
    std::uint32_t sum = 0;
    total = 0;
    while (::read(fd, &byte, 1) == 1) {
      sum += byte;
      ++total;
    }
    ::close(fd);
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(total * state.iterations()));
}

void BM_LoadBundledList(benchmark::State& state) { LoadFile(state, kBundled); }
void BM_LoadGenerated100k(benchmark::State& state) { LoadFile(state, GeneratedFile()); }
void BM_ReadBundledByteByByte(benchmark::State& state) { ReadByteByByte(state, kBundled); }
void BM_ReadGenerated100kByteByByte(benchmark::State& state) { ReadByteByByte(state, GeneratedFile()); }

BENCHMARK(BM_LoadBundledList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadBundledByteByByte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadGenerated100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadGenerated100kByteByByte)->Unit(benchmark::kMillisecond);

}  // namespace

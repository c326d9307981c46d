// Received sentences -> the sentence types. No sentence may crash a parser, and what a parser
// hands on must be usable as shown and stored: finite numbers, and a status sentence or report
// formatted back reads as the same values.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "receiver/sentences.h"

namespace {

void Require(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string sentence = "$" + std::string(reinterpret_cast<const char*>(data), size);
  (void)skylark::KindOf(sentence);
  (void)skylark::IsWellFormedSentence(sentence);
  if (const auto status = skylark::ParseSignalStatus(sentence)) {
    Require(std::isfinite(status->frequency));
    const auto again = skylark::ParseSignalStatus(skylark::FormatSignalStatus(*status));
    Require(again && again->strength == status->strength && again->snr == status->snr &&
            again->mskRate == status->mskRate);
  }
  if (const auto report = skylark::ParseStationReport(sentence)) Require(std::isfinite(report->frequency));
  if (const auto tune = skylark::ParseTune(sentence)) {
    Require(tune->interval <= skylark::kMaxStatusInterval);
    const std::string again = skylark::FormatTune(*tune);
    Require(again.empty() || skylark::ParseTune(again).has_value());
  }
  return 0;
}

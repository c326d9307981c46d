#include "sim/event_log.h"

#include <string>

#include "sim/sentence.h"

namespace skylark::sim {

void EventLog::Sent(std::string_view bytes) {
  if (bytes.size() >= 2 && bytes.substr(bytes.size() - 2) == "\r\n") bytes.remove_suffix(2);
  Write("TX", bytes);
}

void EventLog::Write(const char* tag, std::string_view text) {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
  const std::string escaped = Escape(text);
  std::fprintf(out_, "%lld.%03lld %s %s\n", static_cast<long long>(ms / 1000),
               static_cast<long long>(ms % 1000), tag, escaped.c_str());
  std::fflush(out_);
}

}  // namespace skylark::sim

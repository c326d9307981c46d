#include "ui/rules/signal_history.h"

#include <algorithm>
#include <iterator>

namespace skylark::rules {
namespace {

using Clock = std::chrono::system_clock;

// An axis reaches the next ten above the highest value shown, and no lower than `least`; it
// shrinks again when the highest readings leave the window.
std::int32_t AxisTop(std::int32_t highest, std::int32_t least) {
  return std::max(least, (highest / 10 + 1) * 10);
}

// The window's end moves in steps, not with every reading, so that a view lays out its axes
// twice a minute rather than every second.
using Step = std::chrono::duration<std::int64_t, std::ratio<30>>;

Clock::time_point WindowEnd(Clock::time_point now) {
  return Clock::time_point(std::chrono::ceil<Step>(now.time_since_epoch()));
}

}  // namespace

void SignalHistory::Add(const ReceiverStatus& status, std::uint64_t tunes) {
  if (!status.received) return;
  const SignalPoint point{status.received->utc, std::max(status.snr, 0), std::max(status.signalStrength, 0)};
  const bool newSegment = tunes != tunes_;
  tunes_ = tunes;
  const bool locked = IsLocked(point.snr);
  // A tune leaves the receiver unlocked; before the first reading its lock is unknown.
  const bool changed = newSegment ? locked : !entries_.empty() && locked != IsLocked(entries_.back().point.snr);
  if (changed) lockChanges_.push_back({point.at, point.snr, locked});
  const bool startsLine = newSegment || entries_.empty() || point.at - entries_.back().point.at >= kGap;
  entries_.push_back({point, startsLine});

  const Clock::time_point start = WindowEnd(point.at) - kSpan;
  while (entries_.front().point.at < start) entries_.pop_front();
  while (!lockChanges_.empty() && lockChanges_.front().at < start) lockChanges_.pop_front();
}

ChartContents SignalHistory::At(Clock::time_point now) const {
  ChartContents contents;
  contents.end = WindowEnd(now);
  contents.start = contents.end - kSpan;
  // Until ten minutes have been heard the time axis begins at the first reading, so that the chart
  // fills from the start instead of drawing a sliver at the right of an empty window.
  if (!entries_.empty() && entries_.front().point.at > contents.start) {
    contents.start = entries_.front().point.at;
    contents.end = std::max(contents.end, contents.start + Step(1));
  }
  contents.seconds = contents.end - contents.start < std::chrono::minutes(5);
  std::int32_t snr = 0;
  std::int32_t strength = 0;
  for (const Entry& entry : entries_) {
    if (entry.point.at < contents.start) continue;
    if (entry.startsLine || contents.lines.empty()) contents.lines.emplace_back();
    contents.lines.back().push_back(entry.point);
    snr = std::max(snr, entry.point.snr);
    strength = std::max(strength, entry.point.strength);
  }
  contents.snrTop = AxisTop(snr, 30);
  contents.strengthTop = AxisTop(strength, 100);
  std::copy_if(lockChanges_.begin(), lockChanges_.end(), std::back_inserter(contents.lockChanges),
               [&](const LockChange& change) { return change.at >= contents.start; });
  return contents;
}

}  // namespace skylark::rules

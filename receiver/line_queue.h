#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace skylark {

// When a reading arrived: the monotonic time gives its age, the calendar time is for people.
struct ReadingTime {
  std::chrono::steady_clock::time_point monotonic{};
  std::chrono::system_clock::time_point utc{};

  bool operator==(const ReadingTime&) const = default;
  static ReadingTime Now() { return {std::chrono::steady_clock::now(), std::chrono::system_clock::now()}; }
};

// One sentence as the reader queued it.
struct QueuedLine {
  std::u16string text;
  ReadingTime arrived;
  std::uint64_t number = 0;  // 1 for the first line ever queued, then counting up
};

// The monitor's line queue: the reader appends finished sentences, reply waits take them. Its own
// lock is held only for moments, never while anyone sleeps, so the reader goes on queueing while
// a wait runs and the wait sees what arrives.
class LineQueue {
 public:
  using Clock = std::chrono::steady_clock;
  // The newest lines are kept; older ones are dropped and counted.
  static constexpr std::size_t kLimit = 256;

  // Appends the line stamped with its arrival and wakes the waits.
  void Append(std::u16string_view text);
  // The number of the newest line queued so far; 0 before the first.
  std::uint64_t LastNumber() const;
  // Removes and gives the oldest line; waits for one until `deadline`. None at the deadline, or
  // at once while the queue is stopped.
  std::optional<QueuedLine> TakeFirst(Clock::time_point deadline = {});
  // Waits until `deadline` for a line numbered above `after` that `matches` accepts, removes it
  // and gives it. Accepted lines numbered `after` or lower are removed on the way (they answer an
  // earlier command); every other line stays queued, in order. None at the deadline, or at once
  // while the queue is stopped.
  std::optional<QueuedLine> TakeMatching(const std::function<bool(std::u16string_view)>& matches,
                                         std::uint64_t after, Clock::time_point deadline);
  // Removes every line `matches` accepts and gives the newest of them; other lines stay. Never
  // waits.
  std::optional<QueuedLine> TakeNewest(const std::function<bool(std::u16string_view)>& matches);
  // While stopped, waits end at once (the threads are being stopped); Append still queues.
  void SetStopped(bool stopped);
  void Clear();

  std::size_t Count() const;
  std::size_t Dropped() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<QueuedLine> lines_;
  std::uint64_t lastNumber_ = 0;
  std::size_t dropped_ = 0;
  bool stopped_ = false;
};

}  // namespace skylark

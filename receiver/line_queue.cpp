#include "receiver/line_queue.h"

#include <utility>

namespace skylark {

void LineQueue::Append(std::u16string_view text) {
  {
    std::lock_guard lock(mutex_);
    lines_.push_back({std::u16string(text), ReadingTime::Now(), ++lastNumber_});
    while (lines_.size() > kLimit) {
      lines_.pop_front();
      ++dropped_;
    }
  }
  arrived_.notify_all();
}

std::uint64_t LineQueue::LastNumber() const {
  std::lock_guard lock(mutex_);
  return lastNumber_;
}

std::optional<QueuedLine> LineQueue::TakeFirst(Clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  arrived_.wait_until(lock, deadline, [this] { return !lines_.empty() || stopped_; });
  if (lines_.empty()) return std::nullopt;
  QueuedLine line = std::move(lines_.front());
  lines_.pop_front();
  return line;
}

std::optional<QueuedLine> LineQueue::TakeMatching(const std::function<bool(std::u16string_view)>& matches,
                                                  std::uint64_t after, Clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  // Lines numbered up to `seen` have been looked at; only newer ones need a look after a wake.
  std::uint64_t seen = 0;
  for (;;) {
    for (auto it = lines_.begin(); it != lines_.end();) {
      if (it->number <= seen || !matches(it->text)) {
        ++it;
      } else if (it->number <= after) {
        it = lines_.erase(it);
      } else {
        QueuedLine line = std::move(*it);
        lines_.erase(it);
        return line;
      }
    }
    seen = lastNumber_;
    if (stopped_) return std::nullopt;
    if (!arrived_.wait_until(lock, deadline, [&] { return lastNumber_ != seen || stopped_; })) {
      return std::nullopt;
    }
  }
}

std::optional<QueuedLine> LineQueue::TakeNewest(const std::function<bool(std::u16string_view)>& matches) {
  std::lock_guard lock(mutex_);
  std::optional<QueuedLine> newest;
  for (auto it = lines_.begin(); it != lines_.end();) {
    if (matches(it->text)) {
      newest = std::move(*it);
      it = lines_.erase(it);
    } else {
      ++it;
    }
  }
  return newest;
}

void LineQueue::SetStopped(bool stopped) {
  {
    std::lock_guard lock(mutex_);
    stopped_ = stopped;
  }
  arrived_.notify_all();
}

void LineQueue::Clear() {
  std::lock_guard lock(mutex_);
  lines_.clear();
}

std::size_t LineQueue::Count() const {
  std::lock_guard lock(mutex_);
  return lines_.size();
}

std::size_t LineQueue::Dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

}  // namespace skylark

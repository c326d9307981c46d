#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "platform/serial_line.h"

// A line over a connection that one thread at a time may use (gensio's synchronous calls, a
// socket): a read waits in short slices, so that a write, an interrupt or a close gets the
// connection within one slice, and the line's time-outs are kept across the slices. Each backend
// gives the transport; the time-outs, interrupts and the close are kept here once.
namespace skylark::platform {

class SlicedLine : public SerialLine {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr auto kSlice = std::chrono::milliseconds(10);

  bool SetTimeouts(const LineTimeouts& timeouts) override {
    std::lock_guard lock(mutex_);
    if (closing_) return false;
    timeouts_ = timeouts;
    timed_ = true;
    return true;
  }

  // A raw connection has no line to ask: it reports the settings last set, as the far end is
  // assumed to be configured for them.
  bool GetState(LineState& state) override {
    Turn turn(*this, false);
    if (!turn) return false;
    state = state_;
    return Exchange(state, false);
  }

  bool SetState(const LineState& state) override {
    Turn turn(*this, false);
    if (!turn) return false;
    if (state.byteSize < 5 || state.byteSize > 8 || state.parity > 4 || state.stopBits == 1 || state.stopBits > 2) {
      return false;
    }
    LineState wanted = state;
    if (!Exchange(wanted, true)) return false;
    state_ = state;
    return true;
  }

  ReadResult Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) override {
    got = 0;
    if (count == 0) return ReadResult::Done;
    const auto start = Clock::now();
    LineTimeouts timeouts;
    bool timed = false;
    {
      std::lock_guard lock(mutex_);
      if (closing_) return ReadResult::Gone;
      timeouts = timeouts_;
      timed = timed_;
    }
    const bool immediate = !timed || (timeouts.readInterval == kReadImmediately &&
                                      timeouts.readTotalConstant == 0 && timeouts.readTotalMultiplier == 0);
    std::optional<Clock::time_point> total;
    if (immediate) {
      total = start;
    } else if (timeouts.readTotalConstant != 0 || timeouts.readTotalMultiplier != 0) {
      total = start + std::chrono::milliseconds(timeouts.readTotalConstant +
                                                static_cast<unsigned long long>(timeouts.readTotalMultiplier) * count);
    }
    std::optional<Clock::time_point> lastByte;
    for (;;) {
      const auto now = Clock::now();
      std::optional<Clock::time_point> limit = total;
      if (!immediate && timeouts.readInterval != 0 && lastByte) {
        const auto gap = *lastByte + std::chrono::milliseconds(timeouts.readInterval);
        if (!limit || gap < *limit) limit = gap;
      }
      const bool last = limit && now >= *limit;
      Clock::duration slice = kSlice;
      if (limit) slice = std::min<Clock::duration>(slice, *limit - now);
      std::size_t n = 0;
      const Step step = ReadSlice(buffer + got, count - got, slice, n);
      if (step == Step::Closing || step == Step::Lost) return got > 0 ? ReadResult::Done : ReadResult::Gone;
      if (step == Step::Interrupted) return ReadResult::Done;
      if (n > 0) {
        got += n;
        if (got == count) return ReadResult::Done;
        lastByte = Clock::now();
        continue;
      }
      if (last) return ReadResult::Done;
    }
  }

  bool Write(const std::uint8_t* bytes, std::size_t count, std::size_t& written) override {
    written = 0;
    Turn turn(*this, false);
    if (!turn) return false;
    Clock::duration budget = std::chrono::hours(24);
    if (turn.timeouts.writeTotalConstant != 0 || turn.timeouts.writeTotalMultiplier != 0) {
      budget = std::chrono::milliseconds(turn.timeouts.writeTotalConstant +
                                         static_cast<unsigned long long>(turn.timeouts.writeTotalMultiplier) * count);
    }
    return Send(bytes, count, budget, written);
  }

  // What came before is still on its way or in the transport's buffer: take what is there.
  void DiscardInput() override {
    std::uint8_t drained[256];
    std::size_t n = 0;
    while (ReadSlice(drained, sizeof drained, Clock::duration::zero(), n) == Step::Read && n > 0) {
    }
  }

  void InterruptReads(bool on) override {
    std::lock_guard lock(mutex_);
    interrupted_ = on;
  }

  bool Close() override {
    std::unique_lock lock(mutex_);
    if (closed_) return true;
    closing_ = true;
    idle_.wait(lock, [this] { return !busy_; });
    closed_ = true;
    lock.unlock();
    Release();
    return true;
  }

 protected:
  // Up to `count` bytes within `wait` (none when none came); false when the connection is gone.
  virtual bool Receive(std::uint8_t* buffer, std::size_t count, Clock::duration wait, std::size_t& got) = 0;
  // Writes within `budget`; false when the connection refused.
  virtual bool Send(const std::uint8_t* bytes, std::size_t count, Clock::duration budget, std::size_t& written) = 0;
  // Sets (or only reads) the far line's settings where the protocol has them; true without.
  virtual bool Exchange(LineState& /*state*/, bool /*set*/) { return true; }
  // Ends the connection; no call is in progress any more.
  virtual void Release() = 0;

 private:
  enum class Step { Read, Interrupted, Closing, Lost };

  // The connection for one call; false (no turn) once the line is closing.
  class Turn {
   public:
    // A read gives way to a write or a setting waiting for the connection, else the reader's
    // back-to-back slices could starve it.
    Turn(SlicedLine& line, bool yield) : line_(line) {
      std::unique_lock lock(line_.mutex_);
      if (!yield) ++line_.waiting_;
      line_.idle_.wait(lock, [&] { return line_.closing_ || (!line_.busy_ && (!yield || line_.waiting_ == 0)); });
      if (!yield) --line_.waiting_;
      entered_ = !line_.closing_;
      if (entered_) line_.busy_ = true;
      interrupted = line_.interrupted_;
      timeouts = line_.timeouts_;
    }
    ~Turn() {
      if (!entered_) return;
      std::lock_guard lock(line_.mutex_);
      line_.busy_ = false;
      line_.idle_.notify_all();
    }
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;
    explicit operator bool() const { return entered_; }

    bool interrupted = false;
    LineTimeouts timeouts;

   private:
    SlicedLine& line_;
    bool entered_ = false;
  };

  Step ReadSlice(std::uint8_t* buffer, std::size_t count, Clock::duration slice, std::size_t& n) {
    n = 0;
    Turn turn(*this, true);
    if (!turn) return Step::Closing;
    if (turn.interrupted) return Step::Interrupted;
    return Receive(buffer, count, std::max(slice, Clock::duration::zero()), n) ? Step::Read : Step::Lost;
  }

  LineState state_{4800, 8, 0, 0, false};
  std::mutex mutex_;
  std::condition_variable idle_;
  bool busy_ = false;
  int waiting_ = 0;
  bool closing_ = false;
  bool closed_ = false;
  bool interrupted_ = false;
  LineTimeouts timeouts_{};
  bool timed_ = false;
};

}  // namespace skylark::platform

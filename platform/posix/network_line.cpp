#include "platform/posix/network_line.h"

#include <gensio/gensio.h>
#include <gensio/gensio_os_funcs.h>
#include <gensio/sergensio.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "resources/strings.h"

namespace skylark::platform {
namespace {

using Clock = std::chrono::steady_clock;

// One gensio call at a time, each at most this long: a read waits in slices so that a write, an
// interrupt or a close gets the connection within one slice. No thread then waits inside gensio
// for another, which would need gensio's wake-up signal and its process-wide signal handling.
constexpr auto kSlice = std::chrono::milliseconds(10);

gensio_time TimeOf(Clock::duration duration) {
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(std::max(duration, Clock::duration::zero()));
  return {static_cast<decltype(gensio_time::secs)>(ns.count() / 1000000000),
          static_cast<int>(ns.count() % 1000000000)};
}

// The parities of a sergensio, in the order of LineState's: none, odd, even, mark, space.
constexpr int kParities[] = {SERGENSIO_PARITY_NONE, SERGENSIO_PARITY_ODD, SERGENSIO_PARITY_EVEN,
                             SERGENSIO_PARITY_MARK, SERGENSIO_PARITY_SPACE};

class NetworkLine final : public SerialLine {
 public:
  NetworkLine(gensio_os_funcs* os, gensio* io) : os_(os), io_(io), rfc2217_(gensio_to_sergensio(io) != nullptr) {}
  ~NetworkLine() override { Close(); }

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
    if (!rfc2217_) return true;
    std::array<unsigned, 4> values{};
    if (!Exchange(values)) return false;
    state.baudRate = values[0];
    state.byteSize = values[1];
    const auto found = std::find(std::begin(kParities), std::end(kParities), static_cast<int>(values[2]));
    state.parity = found == std::end(kParities) ? 0 : static_cast<std::uint32_t>(found - std::begin(kParities));
    state.stopBits = values[3] == 2 ? 2 : 0;
    return true;
  }

  // RFC 2217 sets the far line; the server confirms each setting.
  bool SetState(const LineState& state) override {
    Turn turn(*this, false);
    if (!turn) return false;
    if (state.byteSize < 5 || state.byteSize > 8 || state.parity > 4 || state.stopBits == 1 || state.stopBits > 2) {
      return false;
    }
    std::array<unsigned, 4> values{state.baudRate, state.byteSize, static_cast<unsigned>(kParities[state.parity]),
                                   state.stopBits == 2 ? 2u : 1u};
    if (rfc2217_ && !Exchange(values)) return false;
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
      if (step == Step::Closing) return got > 0 ? ReadResult::Done : ReadResult::Gone;
      if (step == Step::Lost) return got > 0 ? ReadResult::Done : ReadResult::Gone;
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
    gensio_time wait = TimeOf(budget);
    gensiods done = 0;
    const int error = gensio_write_s(io_, &done, bytes, count, &wait);
    written = static_cast<std::size_t>(done);
    return error == 0 || error == GE_TIMEDOUT;
  }

  // What came before is in gensio's buffer or still on its way; a short drain takes what is there.
  void DiscardInput() override {
    {
      Turn turn(*this, false);
      pending_.clear();
    }
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
    gensio_close_s(io_);
    gensio_free(io_);
    gensio_os_funcs_free(os_);
    return true;
  }

 private:
  enum class Step { Read, Interrupted, Closing, Lost };

  // The connection for one gensio call; false (no turn) once the line is closing.
  class Turn {
   public:
    // A read gives way to a write or a setting waiting for the connection, else the reader's
    // back-to-back slices could starve it.
    Turn(NetworkLine& line, bool yield) : line_(line) {
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
    NetworkLine& line_;
    bool entered_ = false;
  };

  // Asks for baud rate, data bits, parity and stop bits (a 0 only asks) and waits for the
  // server's answers in `values`. gensio hands on what the server says only while a read is in
  // progress, so this reads meanwhile and keeps the bytes for Read.
  bool Exchange(std::array<unsigned, 4>& values) {
    Answers answers{&values};
    sergensio* serial = gensio_to_sergensio(io_);
    if (sergensio_baud(serial, values[0], &Answer<0>, &answers) != 0 ||
        sergensio_datasize(serial, values[1], &Answer<1>, &answers) != 0 ||
        sergensio_parity(serial, values[2], &Answer<2>, &answers) != 0 ||
        sergensio_stopbits(serial, values[3], &Answer<3>, &answers) != 0) {
      return false;
    }
    const auto limit = Clock::now() + std::chrono::seconds(2);
    while (answers.count < 4 && Clock::now() < limit) {
      std::uint8_t bytes[256];
      gensio_time wait = TimeOf(kSlice);
      gensiods got = 0;
      const int error = gensio_read_s(io_, &got, bytes, sizeof bytes, &wait);
      pending_.append(reinterpret_cast<const char*>(bytes), got);
      if (error != 0 && error != GE_TIMEDOUT) return false;
    }
    return answers.count == 4 && !answers.failed;
  }

  struct Answers {
    std::array<unsigned, 4>* values;
    int count = 0;
    bool failed = false;
  };
  template <std::size_t kIndex>
  static void Answer(sergensio* /*serial*/, int error, unsigned value, void* data) {
    auto& answers = *static_cast<Answers*>(data);
    if (error != 0) answers.failed = true;
    (*answers.values)[kIndex] = value;
    ++answers.count;
  }

  Step ReadSlice(std::uint8_t* buffer, std::size_t count, Clock::duration slice, std::size_t& n) {
    n = 0;
    Turn turn(*this, true);
    if (!turn) return Step::Closing;
    if (turn.interrupted) return Step::Interrupted;
    if (!pending_.empty()) {
      n = std::min(count, pending_.size());
      std::copy_n(pending_.begin(), n, buffer);
      pending_.erase(0, n);
      return Step::Read;
    }
    gensio_time wait = TimeOf(slice);
    gensiods got = 0;
    const int error = gensio_read_s(io_, &got, buffer, count, &wait);
    n = static_cast<std::size_t>(got);
    if (error != 0 && error != GE_TIMEDOUT && n == 0) return Step::Lost;
    return Step::Read;
  }

  gensio_os_funcs* const os_;
  gensio* const io_;
  const bool rfc2217_;
  std::string pending_;  // bytes that came while settings were exchanged, not yet read
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

}  // namespace

std::optional<std::string> NetworkAddressOf(std::u16string_view name) {
  const auto scheme = NetworkScheme(name);
  if (!scheme) return std::nullopt;
  std::u16string_view rest = name.substr(*scheme == NetworkKind::Raw ? 6 : 10);
  const std::size_t colon = rest.rfind(u':');
  std::u16string_view host = rest.substr(0, colon);
  const std::u16string_view port = rest.substr(colon + 1);
  if (host.size() > 2 && host.front() == u'[' && host.back() == u']') host = host.substr(1, host.size() - 2);
  const std::string address = "tcp," + resources::ToUtf8(host) + "," + resources::ToUtf8(port);
  return *scheme == NetworkKind::Raw ? address : "telnet(rfc2217)," + address;
}

std::unique_ptr<SerialLine> OpenNetworkLine(std::u16string_view name, LineError* failure) {
  const auto fail = [&](int error) -> std::unique_ptr<SerialLine> {
    if (failure != nullptr) {
      *failure = {};
      failure->fault = LineFault::SystemError;
      failure->osError = error;
      failure->device = std::u16string(name);
      failure->osMessage = resources::FromUtf8(gensio_err_to_str(error));
    }
    return nullptr;
  };
  const std::optional<std::string> address = NetworkAddressOf(name);
  if (!address) return fail(GE_INVAL);
  gensio_os_funcs* os = nullptr;
  if (const int error = gensio_default_os_hnd(0, &os); error != 0) return fail(error);
  gensio* io = nullptr;
  if (const int error = str_to_gensio(address->c_str(), os, nullptr, nullptr, &io); error != 0) {
    gensio_os_funcs_free(os);
    return fail(error);
  }
  int error = gensio_open_s(io);
  if (error == 0) error = gensio_set_sync(io);
  if (error != 0) {
    gensio_free(io);
    gensio_os_funcs_free(os);
    return fail(error);
  }
  return std::make_unique<NetworkLine>(os, io);
}

}  // namespace skylark::platform

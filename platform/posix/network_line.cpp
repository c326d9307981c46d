#include "platform/posix/network_line.h"

#include <gensio/gensio.h>
#include <gensio/gensio_os_funcs.h>
#include <gensio/sergensio.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <utility>

#include "platform/sliced_line.h"
#include "resources/strings.h"

namespace skylark::platform {
namespace {

// One gensio call at a time (see SlicedLine): no thread then waits inside gensio for another,
// which would need gensio's wake-up signal and its process-wide signal handling.
gensio_time TimeOf(SlicedLine::Clock::duration duration) {
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(std::max(duration, SlicedLine::Clock::duration::zero()));
  return {static_cast<decltype(gensio_time::secs)>(ns.count() / 1000000000),
          static_cast<int>(ns.count() % 1000000000)};
}

// The parities of a sergensio, in the order of LineState's: none, odd, even, mark, space.
constexpr int kParities[] = {SERGENSIO_PARITY_NONE, SERGENSIO_PARITY_ODD, SERGENSIO_PARITY_EVEN,
                             SERGENSIO_PARITY_MARK, SERGENSIO_PARITY_SPACE};

class NetworkLine final : public SlicedLine {
 public:
  NetworkLine(gensio_os_funcs* os, gensio* io) : os_(os), io_(io), rfc2217_(gensio_to_sergensio(io) != nullptr) {}
  ~NetworkLine() override { Close(); }

 protected:
  bool Receive(std::uint8_t* buffer, std::size_t count, Clock::duration wait, std::size_t& got) override {
    if (!pending_.empty()) {
      got = std::min(count, pending_.size());
      std::copy_n(pending_.begin(), got, buffer);
      pending_.erase(0, got);
      return true;
    }
    gensio_time time = TimeOf(wait);
    gensiods n = 0;
    const int error = gensio_read_s(io_, &n, buffer, count, &time);
    got = static_cast<std::size_t>(n);
    return error == 0 || error == GE_TIMEDOUT || got > 0;
  }

  bool Send(const std::uint8_t* bytes, std::size_t count, Clock::duration budget, std::size_t& written) override {
    gensio_time time = TimeOf(budget);
    gensiods done = 0;
    const int error = gensio_write_s(io_, &done, bytes, count, &time);
    written = static_cast<std::size_t>(done);
    return error == 0 || error == GE_TIMEDOUT;
  }

  // RFC 2217 sets the far line, and the server says what it has; each setting is a question
  // and an answer.
  bool Exchange(LineState& state, bool set) override {
    if (!rfc2217_) return true;
    std::array<unsigned, 4> values{};
    if (set) {
      values = {state.baudRate, state.byteSize, static_cast<unsigned>(kParities[state.parity]),
                state.stopBits == 2 ? 2u : 1u};
    }
    if (!Ask(values)) return false;
    state.baudRate = values[0];
    state.byteSize = values[1];
    const auto found = std::find(std::begin(kParities), std::end(kParities), static_cast<int>(values[2]));
    state.parity = found == std::end(kParities) ? 0 : static_cast<std::uint32_t>(found - std::begin(kParities));
    state.stopBits = values[3] == 2 ? 2 : 0;
    return true;
  }

  void Release() override {
    gensio_close_s(io_);
    gensio_free(io_);
    gensio_os_funcs_free(os_);
  }

 private:
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

  // Asks for baud rate, data bits, parity and stop bits (a 0 only asks) and waits for the
  // server's answers in `values`. gensio hands on what the server says only while a read is in
  // progress, so this reads meanwhile and keeps the bytes for Read.
  bool Ask(std::array<unsigned, 4>& values) {
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

  gensio_os_funcs* const os_;
  gensio* const io_;
  const bool rfc2217_;
  std::string pending_;  // bytes that came while settings were exchanged, not yet read
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

#include "platform/win32/network_line.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>
#include <string>

#include "platform/sliced_line.h"
#include "resources/strings.h"

namespace skylark::platform {
namespace {

// A raw connection through Winsock: the bytes as they come, no line settings to exchange.
class SocketLine final : public SlicedLine {
 public:
  explicit SocketLine(SOCKET socket) : socket_(socket) {}
  ~SocketLine() override { Close(); }

 protected:
  bool Receive(std::uint8_t* buffer, std::size_t count, Clock::duration wait, std::size_t& got) override {
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(wait).count();
    timeval time{static_cast<long>(us / 1000000), static_cast<long>(us % 1000000)};
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_, &readable);
    const int ready = ::select(0, &readable, nullptr, nullptr, &time);
    if (ready == SOCKET_ERROR) return false;
    if (ready == 0) return true;
    const int n = ::recv(socket_, reinterpret_cast<char*>(buffer), static_cast<int>(std::min<std::size_t>(count, 1 << 16)), 0);
    if (n <= 0) return false;  // closed by the far end, or reset
    got = static_cast<std::size_t>(n);
    return true;
  }

  bool Send(const std::uint8_t* bytes, std::size_t count, Clock::duration budget, std::size_t& written) override {
    const auto limit = Clock::now() + budget;
    while (written < count) {
      const auto left = std::chrono::duration_cast<std::chrono::microseconds>(limit - Clock::now()).count();
      if (left <= 0) return true;
      timeval time{static_cast<long>(left / 1000000), static_cast<long>(left % 1000000)};
      fd_set writable;
      FD_ZERO(&writable);
      FD_SET(socket_, &writable);
      const int ready = ::select(0, nullptr, &writable, nullptr, &time);
      if (ready == SOCKET_ERROR) return false;
      if (ready == 0) continue;
      const int n = ::send(socket_, reinterpret_cast<const char*>(bytes + written),
                           static_cast<int>(std::min<std::size_t>(count - written, 1 << 16)), 0);
      if (n == SOCKET_ERROR) return false;
      written += static_cast<std::size_t>(n);
    }
    return true;
  }

  void Release() override { ::closesocket(socket_); }

 private:
  const SOCKET socket_;
};

std::u16string MessageOf(int error) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string message(text, text + length);
  ::LocalFree(text);
  while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r' || message.back() == u'.')) {
    message.pop_back();
  }
  if (message.empty()) message = u"system error " + resources::FromUtf8(std::to_string(error));
  return message;
}

}  // namespace

std::unique_ptr<SerialLine> OpenNetworkLine(std::u16string_view name, LineError* failure) {
  const auto fail = [&](int error, std::u16string message) -> std::unique_ptr<SerialLine> {
    if (failure != nullptr) {
      *failure = {};
      failure->fault = LineFault::SystemError;
      failure->osError = error;
      failure->device = std::u16string(name);
      failure->osMessage = std::move(message);
    }
    return nullptr;
  };
  const auto scheme = NetworkScheme(name);
  if (!scheme) return fail(WSAEINVAL, MessageOf(WSAEINVAL));
  if (*scheme == NetworkKind::Rfc2217) {
    return fail(WSAEPROTONOSUPPORT, std::u16string(resources::LoadText(resources::kRfc2217Unavailable)));
  }
  static std::once_flag started;
  static int startup = 0;
  std::call_once(started, [] {
    WSADATA data;
    startup = ::WSAStartup(MAKEWORD(2, 2), &data);
  });
  if (startup != 0) return fail(startup, MessageOf(startup));

  std::u16string_view rest = name.substr(6);
  const std::size_t colon = rest.rfind(u':');
  std::u16string_view host = rest.substr(0, colon);
  if (host.size() > 2 && host.front() == u'[') host = host.substr(1, host.size() - 2);
  const std::string hostName = resources::ToUtf8(host);
  const std::string port = resources::ToUtf8(rest.substr(colon + 1));
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  if (const int error = ::getaddrinfo(hostName.c_str(), port.c_str(), &hints, &found); error != 0) {
    return fail(error, MessageOf(error));
  }
  int error = WSAHOST_NOT_FOUND;
  SOCKET connected = INVALID_SOCKET;
  for (const addrinfo* address = found; address != nullptr && connected == INVALID_SOCKET; address = address->ai_next) {
    const SOCKET s = ::socket(address->ai_family, address->ai_socktype, address->ai_protocol);
    if (s == INVALID_SOCKET) {
      error = ::WSAGetLastError();
      continue;
    }
    if (::connect(s, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0) {
      connected = s;
    } else {
      error = ::WSAGetLastError();
      ::closesocket(s);
    }
  }
  ::freeaddrinfo(found);
  if (connected == INVALID_SOCKET) return fail(error, MessageOf(error));
  // Sentences are short: each goes out at once.
  const BOOL noDelay = TRUE;
  ::setsockopt(connected, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
  return std::make_unique<SocketLine>(connected);
}

}  // namespace skylark::platform

#include "tests/support/loopback.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace skylark::testing {

LoopbackListener::LoopbackListener() {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(fd_, 4) != 0 ||
      ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    Close();
    return;
  }
  port_ = ntohs(address.sin_port);
}

int LoopbackListener::Accept() { return fd_ < 0 ? -1 : ::accept(fd_, nullptr, nullptr); }

void LoopbackListener::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace skylark::testing

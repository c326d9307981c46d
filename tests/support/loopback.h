#pragma once

#include <string>

// A TCP listener on 127.0.0.1 at a free port, standing in for a network receiver's server
// (POSIX only).
namespace skylark::testing {

class LoopbackListener {
 public:
  LoopbackListener();
  ~LoopbackListener() { Close(); }
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  bool Valid() const { return fd_ >= 0; }
  int Port() const { return port_; }
  // "tcp://127.0.0.1:PORT".
  std::string Name() const { return "tcp://127.0.0.1:" + std::to_string(port_); }
  // The next connection's socket, -1 on failure.
  int Accept();
  // Stops listening; the port stays known, free for another server.
  void Close();

 private:
  int fd_ = -1;
  int port_ = 0;
};

}  // namespace skylark::testing

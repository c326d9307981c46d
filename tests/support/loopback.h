#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

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

// ser2net in the foreground, serving one terminal on a free local port in raw or RFC 2217 mode at
// 9600 baud, so that only a client's settings can make the line 4800; `directory` takes its
// configuration file.
class Ser2net {
 public:
  Ser2net(const std::string& device, bool rfc2217, const std::string& directory)
      : port_(LoopbackListener().Port()) {  // free once the listener is gone
    const std::string config = directory + "/ser2net.yaml";
    std::ofstream(config) << "connection: &line\n  accepter: " << (rfc2217 ? "telnet(rfc2217),tcp," : "tcp,")
                          << "127.0.0.1," << port_ << "\n  connector: serialdev," << device << ",9600n81,local\n";
    pid_ = ::fork();
    if (pid_ == 0) {
      const int quiet = ::open("/dev/null", O_WRONLY);
      ::dup2(quiet, 1);
      ::dup2(quiet, 2);
      ::execl("/usr/sbin/ser2net", "ser2net", "-n", "-u", "-c", config.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // Listening once a connection is accepted; the connection itself is dropped at once.
    sockaddr_in address{AF_INET, htons(static_cast<uint16_t>(port_)), {htonl(INADDR_LOOPBACK)}, {}};
    for (int tries = 0; tries < 100; ++tries) {
      const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      const bool up = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
      ::close(s);
      if (up) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // that first connection is closed
  }
  ~Ser2net() { Stop(); }
  Ser2net(const Ser2net&) = delete;
  Ser2net& operator=(const Ser2net&) = delete;

  int Port() const { return port_; }
  // Ends the server and with it every connection through it.
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  int port_;
  pid_t pid_ = -1;
};

}  // namespace skylark::testing

#pragma once

#include <chrono>
#include <cstdio>
#include <string_view>

// The simulator's log: one line per line received or sent and per operator event, stamped with
// the seconds since start on the monotonic clock, e.g.
//   12.345 RX $GPMSK,300.0,M,200,M,1
//   12.400 TX $PCSI,ACK,GPMSK*4E
//   12.401 -- garbage on
namespace skylark::sim {

class EventLog {
 public:
  using Clock = std::chrono::steady_clock;

  EventLog(std::FILE* out, Clock::time_point start) : out_(out), start_(start) {}

  void Received(std::string_view line) { Write("RX", line); }
  // A piece of output; its CR LF is not shown.
  void Sent(std::string_view bytes);
  void Note(std::string_view text) { Write("--", text); }

 private:
  void Write(const char* tag, std::string_view text);

  std::FILE* out_;
  Clock::time_point start_;
};

}  // namespace skylark::sim

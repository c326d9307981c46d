#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

// The simulated receiver as a child process, for end-to-end tests (POSIX only).
namespace skylark::testing {

class SimProcess {
 public:
  SimProcess() = default;
  ~SimProcess();  // kills a simulator still running and removes its log
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Starts the built skylark-sim with `args` and a log of its own, and waits for its ready line.
  // XDG_CONFIG_HOME must be set (TempConfigHome) so its port link never lands in the user's own.
  bool Start(const std::vector<std::string>& args,
             std::chrono::milliseconds wait = std::chrono::seconds(5));

  // One operator command on the simulator's standard input ("snr 306 5", "hangup").
  bool Send(std::string_view command);
  // The log so far, "<seconds> RX|TX|-- <text>" lines; it stays readable after Stop.
  std::string Log() const;
  // Waits until a log line contains `text`; true when one does.
  bool WaitForLog(std::string_view text, std::chrono::milliseconds wait) const;
  // Sends "quit" and waits up to 2 s for the exit, then kills. The exit status, -1 if killed.
  int Stop();

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
  std::string directory_;
  std::string logPath_;
};

}  // namespace skylark::testing

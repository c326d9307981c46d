#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

// The simulated receiver as a child process, for end-to-end tests (POSIX only).
//
//   skylark::testing::TempConfigHome home;          // COM4: of this process now reaches the sim
//   skylark::testing::SimProcess sim;
//   ASSERT_TRUE(sim.Start({"--no-pacing", "--hear", "306", "--settle-ms", "200"}));
//   ... open "COM4:" (or sim.DevicePath()), talk to it ...
//   sim.Send("garbage on");
//   EXPECT_TRUE(sim.WaitForLog("RX $PCSI,1", 2s));
//   sim.Stop();                                     // the log stays readable: sim.Log()
namespace skylark::testing {

class SimProcess {
 public:
  SimProcess() = default;
  // Kills a simulator still running and removes its log.
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Starts the built skylark-sim with `args` plus a --log of its own, in this process's
  // environment, and waits for its ready line. XDG_CONFIG_HOME must be set (TempConfigHome) so
  // the simulator's port link lands in a temporary directory, never the user's own.
  bool Start(const std::vector<std::string>& args,
             std::chrono::milliseconds wait = std::chrono::seconds(5));

  // The port-directory link ("<config>/Corvane/Skylark/ports/COM4"), "none" with --device.
  const std::string& LinkPath() const { return link_; }
  // The terminal the application side opens.
  const std::string& DevicePath() const { return device_; }
  pid_t Pid() const { return pid_; }

  // One operator command on the simulator's standard input ("snr 306 5", "hangup").
  bool Send(std::string_view command);

  // The log so far: "<seconds> RX|TX|-- <text>" lines.
  std::string Log() const;
  // Waits until a log line contains `text`; true when one does.
  bool WaitForLog(std::string_view text, std::chrono::milliseconds wait) const;

  // Sends "quit" and waits up to 2 s for the exit, then kills. The exit status, -1 if killed.
  int Stop();

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
  int stdout_ = -1;
  std::string directory_;
  std::string logPath_;
  std::string link_;
  std::string device_;
};

}  // namespace skylark::testing

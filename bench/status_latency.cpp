// skylark-latency: how old the readings are that the Status page shows. Plays the application
// against skylark-sim (status every second, line pacing on, each sentence numbered by its signal
// strength) and traces every reading posted to the page back to the sentence it came from.
//   skylark-latency SIM [--readings N] [--off-page S] [--soak S] [--garbage] [--burst]
// XDG_CONFIG_HOME and XDG_RUNTIME_DIR must be private (scripts/bench sets them).
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/application.h"
#include "platform/posix/paths.h"

extern char** environ;

namespace {

using namespace skylark;
using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

struct Shown {
  Clock::time_point shown;
  int number;  // the sentence's number, carried as its signal strength
};

class Recorder final : public Notifications {
 public:
  void PostSiteChanged() override {}
  // Every reading the page is told of, each once: the chart takes them all.
  void PostStatusChanged() override {
    const auto now = Clock::now();
    std::lock_guard lock(mutex);
    for (const skylark::Reading& reading : app->ReadingsSince(last)) {
      readings.push_back({now, reading.state.status.signalStrength});
      last = reading.number;
    }
  }
  std::size_t Count() {
    std::lock_guard lock(mutex);
    return readings.size();
  }

  Application* app = nullptr;
  std::uint64_t last = 0;
  std::mutex mutex;
  std::vector<Shown> readings;
};

class Sim {
 public:
  Sim(const std::string& path, const std::vector<std::string>& extra) {
    logPath_ = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/latency-sim.log";
    std::vector<std::string> args = {path, "--hear", "306:20:60", "--settle-ms", "0", "--numbered",
                                     "--port", "COM4", "--log", logPath_};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    stdin_ = in[1];
    char c;
    std::string line;
    while (::read(out[0], &c, 1) == 1 && c != '\n') line += c;
    ::close(out[0]);
    ready_ = line.rfind("ready", 0) == 0;
  }
  ~Sim() {
    if (stdin_ >= 0) {
      [[maybe_unused]] auto n = ::write(stdin_, "quit\n", 5);
      ::close(stdin_);
    }
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  bool Ready() const { return ready_; }
  // Sim seconds of the first log line with `tag` and text starting with `start`; -1 if none.
  double Find(const std::string& tag, const std::string& start) const {
    double found = -1;
    EachLine([&](double at, const std::string& t, const std::string& text) {
      if (found < 0 && t == tag && text.rfind(start, 0) == 0) found = at;
    });
    return found;
  }
  // Sentence number -> sim seconds at which it was put on the line.
  std::map<int, double> StatusSent() const {
    std::map<int, double> sent;
    EachLine([&](double at, const std::string& tag, const std::string& text) {
      if (tag == "TX" && text.rfind("$CRMSS,", 0) == 0) sent[std::atoi(text.c_str() + 7)] = at;
    });
    return sent;
  }

 private:
  // "<seconds> RX|TX|-- <text>" for every line of the log.
  template <typename Take>
  void EachLine(Take take) const {
    std::ifstream log(logPath_);
    std::string line;
    while (std::getline(log, line)) {
      std::istringstream in(line);
      double at = 0;
      std::string tag, text;
      in >> at >> tag >> text;
      take(at, tag, text);
    }
  }

  pid_t pid_ = -1;
  int stdin_ = -1;
  bool ready_ = false;
  std::string logPath_;
};

// The length on the line of the numbered status sentence the simulator sends, line end included.
double SentenceBytes(int number) {
  return static_cast<double>(WithChecksum(FormatSignalStatus({number, 20, 300.0, 200})).size() + 2);
}

long ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

void Report(const char* what, std::vector<double> ages) {
  if (ages.empty()) {
    std::printf("%-44s no readings\n", what);
    return;
  }
  std::sort(ages.begin(), ages.end());
  const auto at = [&](double q) { return ages[static_cast<std::size_t>(q * (ages.size() - 1) + 0.5)]; };
  std::printf("%-44s n=%3zu  p50 %7.0f ms  p95 %7.0f ms  max %7.0f ms\n", what, ages.size(), at(0.5),
              at(0.95), ages.back());
}

// The reader's catch-up: 2 KB of status sentences land in the driver's buffer at once (a stalled
// reader, a chatty receiver) and are timed until all are queued.
void MeasureBurst() {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
  const std::string ports = platform::posix::PortDirectory();
  platform::posix::MakeDirectories(ports, 0700);
  ::unlink((ports + "/COM5").c_str());
  if (::symlink(::ptsname(master), (ports + "/COM5").c_str()) != 0) return;
  ReceiverLink link(u"COM5:");
  ReceiverMonitor monitor;
  monitor.Attach(&link);
  if (!link.InputPort()->Open(u"COM5:", AccessMode::ReadWrite)) return;
  monitor.StartReader();
  std::string burst;
  int lines = 0;
  while (burst.size() < 2048 - 32) {
    char sentence[40];
    std::snprintf(sentence, sizeof sentence, "$CRMSS,%04d,15,300.0,200*00\r\n", ++lines);
    burst += sentence;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const auto start = Clock::now();
  [[maybe_unused]] auto n = ::write(master, burst.data(), burst.size());
  while (monitor.Counts().rejected + monitor.Counts().sentences < static_cast<std::uint64_t>(lines) &&
         Clock::now() - start < std::chrono::seconds(60)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::printf("burst of %zu bytes (%d sentences) queued in %.0f ms (the line itself needs %.0f ms)\n",
              burst.size(), lines, Millis(Clock::now() - start).count(), burst.size() * 10 / 4.8);
  monitor.StopReader();
  link.InputPort()->Close();
  monitor.WaitReaderDone(4000);
  ::close(master);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: skylark-latency SIM [--readings N] [--off-page S] [--soak S] [--garbage] [--burst]\n");
    return 2;
  }
  int readings = 60, offPage = 120, soak = 0;
  bool garbage = false, burst = false;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--readings" && i + 1 < argc) readings = std::atoi(argv[++i]);
    else if (arg == "--off-page" && i + 1 < argc) offPage = std::atoi(argv[++i]);
    else if (arg == "--soak" && i + 1 < argc) soak = std::atoi(argv[++i]);
    else if (arg == "--garbage") garbage = true;
    else if (arg == "--burst") burst = true;
  }
  if (burst) {
    MeasureBurst();
    return 0;
  }

  Sim sim(argv[1], garbage ? std::vector<std::string>{"--garbage"} : std::vector<std::string>{});
  if (!sim.Ready()) return 1;
  Recorder recorder;
  ApplicationOptions options;
  options.notifications = &recorder;
  options.searchSiteFile = false;
  Application app(options);
  recorder.app = &app;
  app.SetCurrentSite({u"Europe", u"Examplia", u"Harbour Point", 200, 300.0, 306});
  app.SetTuneMode(kTuneBySite);
  app.Start();
  if (!app.Link().InputPort()->Open(u"COM4:", AccessMode::ReadWrite)) {
    return 1;
  }
  const auto tuned = Clock::now();
  if (!app.Tune(1)) std::fprintf(stderr, "tune not acknowledged\n");
  const auto waitFor = [&](std::size_t count, std::chrono::seconds limit) {
    for (const auto end = Clock::now() + limit; recorder.Count() < count && Clock::now() < end;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  };

  app.SetActivePage(kStatusPage);
  std::vector<std::pair<double, long>> resident;  // seconds on the page, kB
  std::size_t steadyEnd = 0, returned = 0;
  Clock::time_point back;
  if (soak > 0) {
    const auto start = Clock::now();
    while (Clock::now() - start < std::chrono::seconds(soak)) {
      std::this_thread::sleep_for(std::chrono::seconds(1));
      resident.emplace_back(std::chrono::duration<double>(Clock::now() - start).count(), ResidentKb());
    }
    steadyEnd = recorder.Count();
  } else {
    waitFor(static_cast<std::size_t>(readings), std::chrono::seconds(readings * 4 + 10));
    steadyEnd = recorder.Count();
    app.SetActivePage(kTunePage);
    std::this_thread::sleep_for(std::chrono::seconds(offPage));
    returned = recorder.Count();
    back = Clock::now();
    app.SetActivePage(kStatusPage);
    waitFor(returned + static_cast<std::size_t>(readings), std::chrono::seconds(readings * 4 + 10));
  }
  app.SetActivePage(kConfigurationPage);
  app.StopThreads();
  const double tunedSim = sim.Find("RX", "$GPMSK");
  const auto sent = sim.StatusSent();
  std::lock_guard lock(recorder.mutex);
  std::vector<double> steady, after;
  int unmatched = 0;
  for (std::size_t i = 0; i < recorder.readings.size(); ++i) {
    const Shown& r = recorder.readings[i];
    const auto it = sent.find(r.number);
    if (it == sent.end() || tunedSim < 0) {
      ++unmatched;
      continue;
    }
    // The simulator's clock is matched to ours at the moment it received the tune; the sentence
    // ends a paced line time after it was put on the line (2.08 ms a byte at 4800 baud).
    const double lastByte = (it->second - tunedSim) * 1000.0 + SentenceBytes(r.number) * 10000.0 / 4800.0;
    const double age = Millis(r.shown - tuned).count() - lastByte;
    (i < steadyEnd ? steady : after).push_back(age);
  }
  std::printf("%zu readings (%d not traced), %zu status sentences sent\n", recorder.readings.size(), unmatched,
              sent.size());
  if (soak > 0) {
    Report("soak, every reading shown", steady);
    long first = 0, peak = 0;
    for (const auto& [at, kb] : resident) {
      if (at <= 60) first = kb;
      else peak = std::max(peak, kb);
    }
    std::printf("resident: %ld kB at 60 s, peak after it %ld kB, at the end %ld kB\n", first, peak,
                resident.empty() ? 0 : resident.back().second);
  } else {
    Report("steady state", steady);
    if (returned < recorder.readings.size()) {
      const double first = Millis(recorder.readings[returned].shown - back).count();
      std::printf("back on the page after %d s: first reading posted %.0f ms after the page was shown\n", offPage,
                  first);
    }
    Report("after the page was off", after);
  }
  return 0;
}

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/sim_process.h"

extern char** environ;

namespace skylark::testing {
namespace {

using Clock = std::chrono::steady_clock;

std::string Field(const std::string& line, const std::string& key) {
  const auto at = line.find(key + "=");
  if (at == std::string::npos) return {};
  const auto start = at + key.size() + 1;
  return line.substr(start, line.find(' ', start) - start);
}

// True, with its status, when the child has ended within `wait`.
bool Reap(pid_t pid, std::chrono::milliseconds wait, int& status) {
  const auto deadline = Clock::now() + wait;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

SimProcess::~SimProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    Reap(pid_, std::chrono::seconds(2), status);
  }
  if (stdin_ >= 0) ::close(stdin_);
  if (stdout_ >= 0) ::close(stdout_);
  std::error_code ignored;
  if (!directory_.empty()) std::filesystem::remove_all(directory_, ignored);
}

bool SimProcess::Start(const std::vector<std::string>& args, std::chrono::milliseconds wait) {
  if (pid_ > 0 || std::getenv("XDG_CONFIG_HOME") == nullptr) return false;
  std::string pattern = (std::filesystem::temp_directory_path() / "skylark-sim-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return false;
  directory_ = pattern;
  logPath_ = directory_ + "/sim.log";

  std::vector<std::string> words{SKYLARK_BINARY_DIR "/sim/skylark-sim", "--log", logPath_};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0) return false;
  if (::pipe2(out, O_CLOEXEC) != 0) {
    ::close(in[0]);
    ::close(in[1]);
    return false;
  }
  // A simulator that has died must fail Send, not end the test program.
  ::signal(SIGPIPE, SIG_IGN);
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  ::posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  // The test's own descriptors (a pseudo-terminal's master, say) must not stay open in the
  // simulator, or closing them in the test would not hang the line up.
  ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
  const int spawned = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  stdin_ = in[1];
  stdout_ = out[0];
  if (spawned != 0) {
    pid_ = -1;
    return false;
  }

  std::string text;
  const auto deadline = Clock::now() + wait;
  while (text.find('\n') == std::string::npos) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd pfd{stdout_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) return false;
    char buffer[256];
    const ssize_t n = ::read(stdout_, buffer, sizeof buffer);
    if (n <= 0) return false;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  const std::string line = text.substr(0, text.find('\n'));
  if (line.rfind("ready ", 0) != 0) return false;
  link_ = Field(line, "link");
  device_ = Field(line, "device");
  return !device_.empty();
}

bool SimProcess::Send(std::string_view command) {
  if (stdin_ < 0) return false;
  std::string line(command);
  line += '\n';
  return ::write(stdin_, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

std::string SimProcess::Log() const {
  std::ifstream file(logPath_, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

bool SimProcess::WaitForLog(std::string_view text, std::chrono::milliseconds wait) const {
  const auto deadline = Clock::now() + wait;
  for (;;) {
    if (Log().find(text) != std::string::npos) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

int SimProcess::Stop() {
  if (pid_ <= 0) return -1;
  Send("quit");
  int status = 0;
  if (!Reap(pid_, std::chrono::seconds(2), status)) {
    ::kill(pid_, SIGKILL);
    Reap(pid_, std::chrono::seconds(2), status);
    status = -1;
  }
  pid_ = -1;
  if (stdin_ >= 0) ::close(stdin_);
  stdin_ = -1;
  return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace skylark::testing

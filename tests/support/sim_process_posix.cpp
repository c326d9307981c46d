#include "tests/support/sim_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/xdg_dirs_posix.h"

extern char** environ;

namespace skylark::testing {
namespace {

// True, with its status, when the child has ended within `wait`.
bool Reap(pid_t pid, std::chrono::milliseconds wait, int& status) {
  return WaitFor([&] {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    return done == pid || (done < 0 && errno != EINTR);
  }, wait);
}

}  // namespace

SimProcess::~SimProcess() {
  if (pid_ > 0) ::kill(pid_, SIGKILL);
  Stop();
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

  int in[2];
  if (::pipe2(in, O_CLOEXEC) != 0) return false;
  // A simulator that has died must fail Send, not end the test program.
  ::signal(SIGPIPE, SIG_IGN);
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  // The test's own descriptors (a pseudo-terminal's master, say) must not stay open in the
  // simulator, or closing them in the test would not hang the line up.
  ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
  if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
  ::posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  stdin_ = in[1];

  // A simulator refusing its arguments exits at once instead of getting ready.
  const auto ready = [&] { return Log().find(" -- ready ") != std::string::npos; };
  WaitFor([&] { return pid_ <= 0 || ready() || ::waitpid(pid_, nullptr, WNOHANG) == pid_; }, wait);
  if (ready()) return true;
  Stop();
  return false;
}

bool SimProcess::Send(std::string_view command) {
  if (stdin_ < 0) return false;
  const std::string line = std::string(command) + '\n';
  return ::write(stdin_, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

std::string SimProcess::Log() const {
  std::ifstream file(logPath_, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool SimProcess::WaitForLog(std::string_view text, std::chrono::milliseconds wait) const {
  return WaitFor([&] { return Log().find(text) != std::string::npos; }, wait);
}

int SimProcess::Stop() {
  int status = -1;
  if (pid_ > 0) {
    Send("quit");
    if (!Reap(pid_, std::chrono::seconds(2), status)) {
      ::kill(pid_, SIGKILL);
      Reap(pid_, std::chrono::seconds(2), status);
      status = -1;
    }
  }
  if (stdin_ >= 0) ::close(stdin_);
  pid_ = stdin_ = -1;
  return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace skylark::testing

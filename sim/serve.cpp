#include "sim/serve.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <deque>
#include <optional>
#include <string>

namespace skylark::sim {
namespace {

using Clock = EventLog::Clock;

int stopWriteFd = -1;

extern "C" void OnStopSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const auto n = ::write(stopWriteFd, &byte, 1);
  errno = saved;
}

class Session {
 public:
  Session(SimLine& line, SimulatedReceiver& receiver, EventLog& log, Clock::time_point start,
          bool pacing)
      : line_(line),
        receiver_(receiver),
        log_(log),
        start_(start),
        pacer_(pacing ? Pacer::kByteTime4800 : std::chrono::nanoseconds(0)) {}

  void Run(int stopFd);

 private:
  Millis Since(Clock::time_point now) const {
    return std::chrono::duration_cast<Millis>(now - start_);
  }
  void Queue(Output pieces, Clock::time_point now);
  void Pump(Clock::time_point now);
  void ReadLine(Clock::time_point now);
  // False when the operator asked to quit.
  bool ReadControl();
  void Hangup(const char* why);
  std::optional<Clock::time_point> Deadline() const;

  SimLine& line_;
  SimulatedReceiver& receiver_;
  EventLog& log_;
  Clock::time_point start_;
  Pacer pacer_;
  LineAssembler assembler_;
  std::deque<std::string> output_;
  std::size_t written_ = 0;  // of output_.front()
  bool stdinOpen_ = true;
  std::string control_;
};

void Session::Queue(Output pieces, Clock::time_point now) {
  for (auto& piece : pieces) {
    if (line_.Descriptor() < 0) return;
    log_.Sent(piece);
    if (output_.empty()) pacer_.Begin(now);
    output_.push_back(std::move(piece));
  }
}

void Session::Pump(Clock::time_point now) {
  while (!output_.empty()) {
    const std::string& front = output_.front();
    const std::size_t due = pacer_.Due(now, front.size() - written_);
    if (due == 0) return;
    const long n = line_.WriteSome(std::string_view(front).substr(written_, due));
    if (n < 0) return Hangup("line closed");
    if (n == 0) {
      // A real line does not wait for a reader that has stopped reading: the bytes are lost.
      std::size_t lost = 0;
      for (const auto& piece : output_) lost += piece.size();
      log_.Note("overrun: " + std::to_string(lost - written_) + " bytes dropped");
      output_.clear();
      written_ = 0;
      return;
    }
    pacer_.Sent(static_cast<std::size_t>(n));
    written_ += static_cast<std::size_t>(n);
    if (written_ == front.size()) {
      output_.pop_front();
      written_ = 0;
    }
  }
}

void Session::ReadLine(Clock::time_point now) {
  std::string bytes;
  const bool open = line_.ReadAvailable(bytes);
  for (const auto& line : assembler_.Feed(bytes)) {
    if (line.overflowed) {
      log_.Note("over-long line discarded");
      continue;
    }
    log_.Received(line.text);
    Queue(receiver_.OnLine(line.text, Since(now)), now);
  }
  if (!open) Hangup("line closed");
}

bool Session::ReadControl() {
  char buffer[256];
  const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
  if (n <= 0) {
    stdinOpen_ = false;
    return true;
  }
  control_.append(buffer, static_cast<std::size_t>(n));
  std::size_t end;
  while ((end = control_.find('\n')) != std::string::npos) {
    std::string command = control_.substr(0, end);
    control_.erase(0, end + 1);
    if (!command.empty() && command.back() == '\r') command.pop_back();
    if (command.find_first_not_of(" \t") == std::string::npos) continue;
    std::string message;
    switch (receiver_.Control(command, Since(Clock::now()), message)) {
      case SimulatedReceiver::ControlResult::Done:
        log_.Note(message);
        break;
      case SimulatedReceiver::ControlResult::Invalid:
        log_.Note("invalid: " + message);
        break;
      case SimulatedReceiver::ControlResult::Hangup:
        Hangup("hangup");
        break;
      case SimulatedReceiver::ControlResult::Quit:
        log_.Note("quit");
        return false;
    }
  }
  if (control_.size() > 1024) control_.clear();
  return true;
}

void Session::Hangup(const char* why) {
  if (line_.Descriptor() < 0) return;
  line_.Hangup();
  output_.clear();
  written_ = 0;
  log_.Note(why);
}

std::optional<Clock::time_point> Session::Deadline() const {
  std::optional<Clock::time_point> deadline;
  if (const auto due = receiver_.NextDue()) deadline = start_ + *due;
  if (!output_.empty() && (!deadline || pacer_.NextFree() < *deadline)) {
    deadline = pacer_.NextFree();
  }
  return deadline;
}

void Session::Run(int stopFd) {
  for (;;) {
    auto now = Clock::now();
    Queue(receiver_.OnTime(Since(now)), now);
    Pump(now);

    pollfd fds[3] = {{stopFd, POLLIN, 0}, {-1, POLLIN, 0}, {-1, POLLIN, 0}};
    if (stdinOpen_) fds[1].fd = STDIN_FILENO;
    fds[2].fd = line_.Descriptor();
    timespec wait{};
    timespec* timeout = nullptr;
    if (const auto deadline = Deadline()) {
      const auto left = std::max(*deadline - Clock::now(), Clock::duration::zero());
      const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
      wait = {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
      timeout = &wait;
    }
    if (::ppoll(fds, 3, timeout, nullptr) < 0 && errno != EINTR) return;
    if (fds[0].revents != 0) {
      log_.Note("stopped by signal");
      return;
    }
    if (fds[1].revents != 0 && !ReadControl()) return;
    if ((fds[2].revents & POLLIN) != 0) ReadLine(Clock::now());
    if ((fds[2].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) Hangup("line closed");
  }
}

}  // namespace

int InstallStopSignals() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  stopWriteFd = fds[1];
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  return fds[0];
}

void Serve(SimLine& line, SimulatedReceiver& receiver, EventLog& log,
           EventLog::Clock::time_point start, bool pacing, int stopFd) {
  Session(line, receiver, log, start, pacing).Run(stopFd);
}

}  // namespace skylark::sim

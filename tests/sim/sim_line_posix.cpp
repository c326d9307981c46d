// The simulator as a separate program on a pseudo-terminal, driven the way the application
// drives a receiver.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/posix/paths.h"
#include "tests/support/pty.h"
#include "tests/support/sim_process.h"

namespace skylark::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Station 306 (Sandspit) of the bundled list: 300.0 kHz, 200 bit/s.
constexpr const char* kTune306 = "$GPMSK,300.0,M,200,M,1\r\n";

struct Received {
  std::string text;  // without CR LF
  Clock::time_point at;
};

// The application's end of the line, opened through the port link.
class AppEnd {
 public:
  explicit AppEnd(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    if (fd_ >= 0 && ::tcgetattr(fd_, &tio) == 0) {
      ::cfmakeraw(&tio);
      ::tcsetattr(fd_, TCSANOW, &tio);
    }
  }
  ~AppEnd() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Valid() const { return fd_ >= 0; }
  int Fd() const { return fd_; }

  bool Send(std::string_view bytes) {
    return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

  // The next line ending in CR LF, or nullopt when none completes within `wait`.
  std::optional<Received> Next(std::chrono::milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    for (;;) {
      if (const auto end = buffer_.find("\r\n"); end != std::string::npos) {
        Received line{buffer_.substr(0, end), Clock::now()};
        buffer_.erase(0, end + 2);
        return line;
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      pollfd pfd{fd_, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&pfd, 1, static_cast<int>(left.count())) <= 0) return {};
      char chunk[256];
      const ssize_t n = ::read(fd_, chunk, sizeof chunk);
      if (n <= 0 && errno != EAGAIN) return {};
      if (n > 0) buffer_.append(chunk, static_cast<std::size_t>(n));
    }
  }

  // The next line that starts with `prefix`, skipping others.
  std::optional<Received> NextStarting(std::string_view prefix, std::chrono::milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    while (Clock::now() < deadline) {
      auto line =
          Next(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
      if (!line) return {};
      if (line->text.rfind(prefix, 0) == 0) return line;
    }
    return {};
  }

 private:
  int fd_ = -1;
  std::string buffer_;
};

// True when the line ends in a "*hh" that matches its text.
bool ChecksumValid(const std::string& line) {
  if (line.size() < 4 || line[0] != '$' || line[line.size() - 3] != '*') return false;
  unsigned sum = 0;
  for (std::size_t i = 1; i + 3 < line.size(); ++i) sum ^= static_cast<unsigned char>(line[i]);
  char hex[3];
  std::snprintf(hex, sizeof hex, "%02X", sum);
  return line.substr(line.size() - 2) == hex;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::string rest = line.substr(0, line.find('*'));
  for (auto comma = rest.find(',');; comma = rest.find(',')) {
    fields.push_back(rest.substr(0, comma));
    if (comma == std::string::npos) return fields;
    rest.erase(0, comma + 1);
  }
}

class SimLine : public ::testing::Test {
 protected:
  void Launch(std::vector<std::string> args) {
    args.insert(args.end(), {"--no-pacing", "--settle-ms", "100", "--scan-ms", "100"});
    ASSERT_TRUE(sim_.Start(args));
    app_ = std::make_unique<AppEnd>(sim_.LinkPath());
    ASSERT_TRUE(app_->Valid());
  }

  TempConfigHome home_;
  SimProcess sim_;
  std::unique_ptr<AppEnd> app_;
};

TEST_F(SimLine, ManualTuneIsAcknowledgedAndStatusFollowsEverySecond) {
  Launch({"--hear", "306:20:60"});
  // The application's "COM4:" reaches the simulator.
  EXPECT_EQ(platform::posix::DevicePathForPortName(u"COM4:"), sim_.LinkPath());

  ASSERT_TRUE(app_->Send(kTune306));
  const auto ack = app_->Next(2s);
  ASSERT_TRUE(ack);
  EXPECT_EQ(ack->text, "$PCSI,ACK,GPMSK*02");
  std::vector<Received> status;
  for (int i = 0; i < 3; ++i) {
    auto line = app_->Next(2s);
    ASSERT_TRUE(line);
    EXPECT_TRUE(ChecksumValid(line->text)) << line->text;
    EXPECT_EQ(line->text.substr(0, line->text.find('*')), "$CRMSS,60,20,300.0,200");
    status.push_back(*line);
  }
  for (std::size_t i = 0; i < status.size(); ++i) {
    const auto gap = (status[i].at - (i == 0 ? ack->at : status[i - 1].at)) / 1ms;
    EXPECT_NEAR(gap, 1000, 250) << "status line " << i;
  }
  EXPECT_TRUE(sim_.WaitForLog("RX $GPMSK,300.0,M,200,M,1\n", 1s));
  EXPECT_TRUE(sim_.WaitForLog("TX $PCSI,ACK,GPMSK*02\n", 1s));
}

TEST_F(SimLine, MalformedTuneIsNotAcknowledged) {
  Launch({"--hear", "306"});
  for (const char* bad : {"$GPMSK,300.0,M,200,M,101\r\n", "$GPMSK,,M,200,M,1\r\n",
                          "$GPMSK,300.0,M,200,M,1*00\r\n", "\x01\x80\xff garbage\r\n"}) {
    // The status request behind it marks where an acknowledgement would have come.
    ASSERT_TRUE(app_->Send(std::string(bad) + "$PCSI,1\r\n"));
    const auto line = app_->Next(2s);
    ASSERT_TRUE(line) << bad;
    EXPECT_EQ(line->text.rfind("$PCSI,CS0,", 0), 0u) << bad << " answered " << line->text;
  }
  // Nor does a flood without line ends swallow the next command.
  ASSERT_TRUE(app_->Send(std::string(5000, 'x') + "\r\n" + kTune306));
  const auto line = app_->Next(2s);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->text, "$PCSI,ACK,GPMSK*02");
  EXPECT_TRUE(sim_.WaitForLog("-- over-long line discarded", 1s));
}

TEST_F(SimLine, StatusRequestReportsTheLockedStation) {
  Launch({"--hear", "306:15:50", "--hear", "318:9:40"});
  ASSERT_TRUE(app_->Send("$GPMSK,,A,,A,0\r\n"));
  ASSERT_TRUE(app_->NextStarting("$PCSI,ACK", 2s));
  ASSERT_TRUE(sim_.WaitForLog("RX $GPMSK,,A,,A,0", 1s));
  usleep(150'000);  // the 100 ms scan
  ASSERT_TRUE(app_->Send("$PCSI,1\r\n"));
  const auto line = app_->Next(2s);
  ASSERT_TRUE(line);
  EXPECT_TRUE(ChecksumValid(line->text)) << line->text;
  const auto fields = Fields(line->text);
  ASSERT_EQ(fields.size(), 15u) << line->text;  // "$PCSI", "CS0" and thirteen fields
  EXPECT_EQ(fields[2 + 2], "300.0");
  EXPECT_EQ(fields[2 + 4], "200");
  EXPECT_EQ(fields[2 + 6], "50");
  EXPECT_EQ(fields[2 + 7], "15");
  EXPECT_EQ(fields[2 + 10], "306");
}

TEST_F(SimLine, StatusStopEndsTheSignalStatus) {
  Launch({"--hear", "306"});
  ASSERT_TRUE(app_->Send(kTune306));
  ASSERT_TRUE(app_->NextStarting("$PCSI,ACK", 2s));
  ASSERT_TRUE(app_->NextStarting("$CRMSS", 2s));
  ASSERT_TRUE(app_->Send("$PCSI,1,0\r\n"));
  const auto line = app_->Next(1500ms);
  EXPECT_FALSE(line) << line->text;
}

TEST_F(SimLine, AckAllAcknowledgesStatusRequests) {
  Launch({"--hear", "306", "--ack-all"});
  ASSERT_TRUE(app_->Send("$PCSI,1\r\n"));
  auto line = app_->Next(2s);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->text.rfind("$PCSI,ACK", 0), 0u) << line->text;
  line = app_->Next(2s);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->text.rfind("$PCSI,CS0,", 0), 0u) << line->text;
}

TEST_F(SimLine, FaultSwitchesFromStandardInput) {
  Launch({"--hear", "306", "--garbage"});
  ASSERT_TRUE(app_->Send(kTune306));
  const auto ack = app_->NextStarting("$PCSI,ACK", 2s);
  ASSERT_TRUE(ack);
  EXPECT_EQ(ack->text, "$PCSI,ACK,GPMSK*02");
  const auto status = app_->NextStarting("$CRMSS", 2s);
  ASSERT_TRUE(status);
  EXPECT_TRUE(ChecksumValid(status->text)) << status->text;

  ASSERT_TRUE(sim_.Send("garbage off"));
  ASSERT_TRUE(sim_.Send("drop-ack on"));
  ASSERT_TRUE(sim_.WaitForLog("-- drop-ack on", 2s));
  ASSERT_TRUE(app_->Send("$GPMSK,300.0,M,200,M,0\r\n$PCSI,1\r\n"));
  auto line = app_->NextStarting("$PCSI", 2s);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->text.rfind("$PCSI,CS0,", 0), 0u) << line->text;

  ASSERT_TRUE(sim_.Send("silence on"));
  ASSERT_TRUE(sim_.WaitForLog("-- silence on", 2s));
  ASSERT_TRUE(app_->Send("$PCSI,1\r\n"));
  line = app_->Next(500ms);
  EXPECT_FALSE(line) << line->text;
  EXPECT_TRUE(sim_.WaitForLog("RX $PCSI,1\n", 1s));
}

TEST_F(SimLine, HangupClosesTheLineAndRemovesTheLink) {
  Launch({});
  ASSERT_TRUE(sim_.Send("hangup"));
  ASSERT_TRUE(sim_.WaitForLog("-- hangup", 2s));
  EXPECT_NE(::access(sim_.LinkPath().c_str(), F_OK), 0);
  pollfd pfd{app_->Fd(), POLLIN, 0};
  ASSERT_EQ(::poll(&pfd, 1, 1000), 1);
  EXPECT_NE(pfd.revents & POLLHUP, 0);
  EXPECT_EQ(sim_.Stop(), 0);  // it stays until told to quit
}

TEST_F(SimLine, StopSignalRemovesTheLink) {
  Launch({});
  const std::string link = sim_.LinkPath();
  ASSERT_EQ(::kill(sim_.Pid(), SIGTERM), 0);
  ASSERT_TRUE(sim_.WaitForLog("-- stopped by signal", 2s));
  EXPECT_EQ(sim_.Stop(), 0);
  EXPECT_NE(::access(link.c_str(), F_OK), 0);
}

TEST_F(SimLine, ServesAnExistingTerminal) {
  PtyPair pair;  // its master stands in for the application's end of a null-modem line
  ASSERT_TRUE(pair.Valid());
  ASSERT_TRUE(sim_.Start({"--device", pair.SlavePath(), "--no-pacing", "--hear", "306"}));
  EXPECT_EQ(sim_.LinkPath(), "none");
  // Once the request has been read the terminal reads 0 bytes: nothing waiting, not an end.
  ASSERT_TRUE(pair.Send("$PCSI,1\r\n"));
  const std::string reply = pair.Receive(10, 2s);
  EXPECT_EQ(reply, "$PCSI,CS0,");
  pair.CloseMaster();  // the adapter is unplugged
  EXPECT_TRUE(sim_.WaitForLog("-- line closed", 2s));
  EXPECT_EQ(sim_.Stop(), 0);
}

TEST_F(SimLine, PacedOutputTakesTheLineTime) {
  ASSERT_TRUE(sim_.Start({}));
  AppEnd app(sim_.LinkPath());
  ASSERT_TRUE(app.Valid());
  const auto sent = Clock::now();
  ASSERT_TRUE(app.Send("$PCSI,1\r\n"));
  const auto line = app.Next(2s);
  ASSERT_TRUE(line);
  // At 4800 baud a byte is 10 bits, about 2.08 ms; the reply cannot arrive sooner than that.
  const auto bytes = line->text.size() + 2;
  EXPECT_GE((line->at - sent) / 1us, static_cast<long>(bytes * 2083 * 9 / 10));
}

}  // namespace
}  // namespace skylark::testing

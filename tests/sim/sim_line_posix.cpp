// The simulator as a separate program on a pseudo-terminal, driven the way the application
// drives a receiver.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "sim/sentence.h"
#include "tests/support/pty.h"
#include "tests/support/sim_process.h"

namespace skylark::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Received {
  std::string text;  // without CR LF
  Clock::time_point at;
};

bool ChecksumValid(const std::string& line) {
  return sim::Finish(line.substr(0, line.rfind('*'))) == line + "\r\n";
}

// The simulator serves an existing terminal, paced at 4800 baud; the test holds the other end
// of the null-modem line. Every test reads the terminal more than once, so a terminal with
// nothing waiting must not be taken for a closed line.
class SimLine : public ::testing::Test {
 protected:
  void Launch(std::vector<std::string> args) {
    ASSERT_TRUE(pty_.Valid());
    args.insert(args.end(), {"--device", pty_.SlavePath(), "--settle-ms", "0", "--scan-ms", "0"});
    ASSERT_TRUE(sim_.Start(args));
  }

  // The next line ending in CR LF, or nullopt when none completes within `wait`.
  std::optional<Received> Next(std::chrono::milliseconds wait = 2s) {
    const auto deadline = Clock::now() + wait;
    std::size_t end;
    while ((end = pending_.find("\r\n")) == std::string::npos) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      const std::string byte = pty_.Receive(1, left);
      if (byte.empty()) return std::nullopt;
      pending_ += byte;
    }
    Received line{pending_.substr(0, end), Clock::now()};
    pending_.erase(0, end + 2);
    return line;
  }

  TempConfigHome home_;
  PtyPair pty_;
  SimProcess sim_;
  std::string pending_;
};

TEST_F(SimLine, TuneIsAcknowledgedAndStatusFollowsEachSecondUntilStopped) {
  Launch({"--hear", "306:20:60"});
  // An over-long line of noise is dropped without taking the next line with it.
  const auto sent = Clock::now();
  ASSERT_TRUE(pty_.Send(std::string(5000, 'x') + "\r\n$GPMSK,300.0,M,200,M,1\r\n"));
  const auto ack = Next();
  ASSERT_TRUE(ack);
  EXPECT_EQ(ack->text, "$PCSI,ACK,GPMSK*02");
  // At 4800 baud a byte is 10 bits, about 2083 us: the answer cannot be complete sooner.
  EXPECT_GE((ack->at - sent) / 1us, static_cast<long>((ack->text.size() + 2) * 2083 * 9 / 10));
  auto previous = ack->at;
  for (int i = 0; i < 2; ++i) {
    const auto status = Next();
    ASSERT_TRUE(status);
    EXPECT_TRUE(ChecksumValid(status->text)) << status->text;
    EXPECT_TRUE(status->text.starts_with("$CRMSS,60,20,300.0,200*")) << status->text;
    EXPECT_NEAR((status->at - previous) / 1ms, 1000, 250) << "status line " << i;
    previous = status->at;
  }
  ASSERT_TRUE(pty_.Send("$PCSI,1,0\r\n"));
  EXPECT_FALSE(Next(1300ms));
  // The operator unplugs the line: this end sees it closed at once, not after a time-out.
  ASSERT_TRUE(sim_.Send("hangup"));
  const auto hangup = Clock::now();
  EXPECT_FALSE(Next(2s));
  EXPECT_LT(Clock::now() - hangup, 1s);
}

TEST_F(SimLine, GarbageAmongTheAnswersOfAnAckAllReceiver) {
  Launch({"--hear", "306", "--garbage", "--ack-all"});
  ASSERT_TRUE(pty_.Send("$GPMSK,300.0,M,200,M,1\r\n$PCSI,1\r\n$PCSI,1,0\r\n"));
  // Noise comes between the answers but never starts like one.
  for (const std::string expected :
       {"$PCSI,ACK,GPMSK*02", "$PCSI,ACK,PCSI*49", "$PCSI,CS0,", "$PCSI,ACK,PCSI*49"}) {
    auto line = Next();
    while (line && !line->text.starts_with(expected.substr(0, 9))) line = Next();
    ASSERT_TRUE(line) << expected;
    EXPECT_TRUE(line->text.starts_with(expected) && ChecksumValid(line->text)) << line->text;
  }
}

}  // namespace
}  // namespace skylark::testing

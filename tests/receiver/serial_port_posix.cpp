#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <tuple>

#include "receiver/receiver_link.h"
#include "receiver/receiver_monitor.h"
#include "tests/support/pty.h"

namespace skylark {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The receiver on COM2:, a pseudo-terminal whose other end the test plays.
class PortOnPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(receiver_.Valid());
    ASSERT_TRUE(testing::LinkPort(2, receiver_.SlavePath()));
  }

  bool OpenCom2(SerialPort& port, const LineTimeouts& timeouts = platform::kReceiverTimeouts) {
    return port.Open(u"COM2:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite, &timeouts);
  }

  // A read blocked in another thread; the future tells whether it failed with nothing read.
  std::future<bool> BlockedRead() {
    auto reading = std::async(std::launch::async, [this] {
      std::uint8_t buffer[16];
      std::size_t got = 99;
      return !port_.Read(buffer, sizeof buffer, got) && got == 0;
    });
    std::this_thread::sleep_for(50ms);  // let it start waiting
    return reading;
  }

  testing::TempConfigHome home_;
  testing::PtyPair receiver_;
  ReceiverLink link_{u"COM2:", 4800, 0, 8, 0, 0};
  ReceiverPort& port_ = *link_.InputPort();
};

TEST_F(PortOnPty, OpenIsExclusiveAndAFailedOpenKeepsTheLastGoodName) {
  ASSERT_TRUE(OpenCom2(port_));
  EXPECT_TRUE(OpenCom2(port_)) << "reopening releases its own line first";
  SerialPort other(u"COM1:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite);
  EXPECT_FALSE(OpenCom2(other));
  EXPECT_FALSE(other.IsOpen());
  EXPECT_EQ(other.Name(), u"COM1:");
  // A failed open leaves the port closed and the device free.
  EXPECT_FALSE(port_.Open(u"COM2:", 12345, 0, 8, 0, 0, AccessMode::ReadWrite, nullptr));
  EXPECT_TRUE(OpenCom2(other));
  EXPECT_EQ(other.Name(), u"COM2:");
}

TEST_F(PortOnPty, WriteTextSendsOnlyWholeAsciiTexts) {
  ASSERT_TRUE(OpenCom2(port_));
  const std::u16string longest(511, u'x');
  const std::pair<std::u16string, bool> cases[] = {
      {u"", false},
      {u"caf\u00E9", false},  // Latin-1 belongs in site names, never in a sentence
      {std::u16string(u"a\0b", 3), false},
      {longest + u"y", false},  // cutting it would send a corrupt sentence
      {longest, true},
  };
  for (const auto& [text, sent] : cases) {
    EXPECT_EQ(port_.WriteText(text), sent);
    // Where nothing is expected a brief look suffices: a pseudo-terminal passes bytes on at once.
    EXPECT_EQ(receiver_.Receive(sent ? text.size() : 1, sent ? 1000ms : 30ms),
              sent ? std::string(text.begin(), text.end()) : "");
  }
  EXPECT_TRUE(port_.IsOpen());
}

TEST_F(PortOnPty, SignalStatusReadStraightFromTheLine) {
  ASSERT_TRUE(OpenCom2(port_, {1, 1, 50, 10, 1000}));  // a short total keeps empty reads brief
  port_.SetSleeper([](std::chrono::milliseconds) {});
  ASSERT_TRUE(receiver_.Send("$GP\x01MSS,\xB0" "42,15,300.0,200*47\r\n"));
  const auto reading = link_.ReadSignalStatus();
  ASSERT_TRUE(reading);
  EXPECT_EQ(std::tuple(reading->strength, reading->snr, reading->frequency, reading->mskRate),
            std::tuple(42, 15, 300.0, 200));
  ASSERT_TRUE(receiver_.Send("$CRMSS,43,16\r\n"));
  EXPECT_FALSE(link_.ReadSignalStatus()) << "a sentence cut short is no reading";
}

TEST_F(PortOnPty, DrainTakesWhatHasArrivedInAtMostSixReads) {
  ASSERT_TRUE(OpenCom2(port_, {1, 0, 400, 10, 1000}));
  ASSERT_TRUE(receiver_.Send(std::string(4000, 'x')));
  std::this_thread::sleep_for(50ms);  // the pseudo-terminal hands bytes over asynchronously
  port_.TakeAvailable([](const std::uint8_t*, std::size_t) {});
  std::uint8_t rest[1024];
  std::size_t got = 0;
  ASSERT_TRUE(port_.Read(rest, sizeof rest, got));
  EXPECT_EQ(got, 4000u - 6 * 512);
  // A quiet line: the drain does not wait for more, and the line's time-outs are back after it.
  auto start = Clock::now();
  port_.TakeAvailable([](const std::uint8_t*, std::size_t) {});
  EXPECT_LT(Clock::now() - start, 200ms);
  start = Clock::now();
  ASSERT_TRUE(port_.Read(rest, 16, got));
  EXPECT_GE(Clock::now() - start, 350ms);
}

TEST_F(PortOnPty, WritesThatMakeNoProgressCloseThePort) {
  ASSERT_TRUE(OpenCom2(port_, {1, 1, 50, 0, 20}));
  // Nobody reads the other end, so the line fills and then every write call times out empty.
  const std::string flood(1 << 20, 'x');
  const auto start = Clock::now();
  EXPECT_FALSE(port_.Write(reinterpret_cast<const std::uint8_t*>(flood.data()), flood.size()));
  EXPECT_GE(Clock::now() - start, 11 * 20ms);  // ten retries, and the eleventh gives up
  EXPECT_FALSE(port_.IsOpen());
}

TEST_F(PortOnPty, CloseOrHangUpEndsABlockedReadPromptly) {
  ASSERT_TRUE(OpenCom2(port_));
  auto reading = BlockedRead();
  EXPECT_TRUE(port_.Close());
  ASSERT_EQ(reading.wait_for(1s), std::future_status::ready);
  EXPECT_TRUE(reading.get());
  ASSERT_TRUE(OpenCom2(port_)) << "the device was released";

  reading = BlockedRead();
  receiver_.CloseMaster();  // the receiver unplugged
  ASSERT_EQ(reading.wait_for(1s), std::future_status::ready);
  EXPECT_TRUE(reading.get());
  EXPECT_FALSE(port_.IsOpen());
  std::uint8_t byte = 0;
  EXPECT_FALSE(port_.ReadByte(byte));
}

TEST_F(PortOnPty, TheLineQueueKeepsTheNewestLinesAndCountsTheDropped) {
  ReceiverMonitor monitor;
  monitor.Attach(&link_);
  for (int i = 0; i < 300; ++i) {
    const std::string line = "line " + std::to_string(i);
    monitor.QueueLine(std::u16string(line.begin(), line.end()));
  }
  EXPECT_EQ(monitor.QueuedLines(), ReceiverMonitor::kLineQueueLimit);
  EXPECT_EQ(monitor.DroppedLines(), 300 - ReceiverMonitor::kLineQueueLimit);
  EXPECT_EQ(port_.ReadLine(512), u"line 44");
}

// A receiver that paces its bytes ends every read after one byte; the reader then waits for more
// to gather. Nothing may be lost or reordered by that, nor may a burst that follows fall behind.
TEST_F(PortOnPty, APacedSentenceAndTheBurstAfterItAreQueuedWholeAndInOrder) {
  ReceiverMonitor monitor;
  monitor.Attach(&link_);
  ASSERT_TRUE(OpenCom2(port_));
  monitor.StartReader();
  const std::string paced = "$CRMSS,42,15,300.0,200*41\r\n";
  for (const char byte : paced) {
    ASSERT_TRUE(receiver_.Send(std::string(1, byte)));
    std::this_thread::sleep_for(2ms);  // 2.08 ms a byte at 4800 baud
  }
  std::string burst;
  for (int i = 0; i < 40; ++i) burst += "$PCSI,CS0,L" + std::to_string(i) + "\r\n";
  ASSERT_TRUE(receiver_.Send(burst));
  testing::WaitFor([&] { return monitor.QueuedLines() >= 41; }, 5s);
  monitor.StopReader();
  monitor.JoinReader();
  ASSERT_EQ(monitor.QueuedLines(), 41u);
  EXPECT_EQ(port_.ReadLine(512), u"$CRMSS,42,15,300.0,200*41");
  for (int i = 0; i < 40; ++i) {
    const std::string line = "$PCSI,CS0,L" + std::to_string(i);
    EXPECT_EQ(port_.ReadLine(512), std::u16string(line.begin(), line.end()));
  }
}

// The output group of the two-port layout opens the port for writing only: the reader leaves it
// alone, and a refused read is no reason to close it (a hang-up still is, as above).
TEST_F(PortOnPty, AWriteOnlyPortStaysOpenWhileTheReceiverTalks) {
  ReceiverMonitor monitor;
  monitor.Attach(&link_);
  ASSERT_TRUE(port_.Open(u"COM2:", 4800, 0, 8, 0, 0, AccessMode::Write, &platform::kReceiverTimeouts));
  monitor.StartReader();
  ASSERT_TRUE(receiver_.Send("$CRMSS,42,15,300.0,200*41\r\n"));
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(port_.IsOpen());
  EXPECT_EQ(monitor.QueuedLines(), 0u);
  std::uint8_t buffer[16];
  std::size_t got = 0;
  EXPECT_FALSE(port_.Read(buffer, sizeof buffer, got)) << "the line refuses the read";
  EXPECT_TRUE(port_.IsOpen()) << "and stays open";
  EXPECT_TRUE(port_.SendSentence(u"$PCSI,1"));
  EXPECT_EQ(receiver_.Receive(9, 1s), "$PCSI,1\r\n");
  monitor.StopReader();
  monitor.JoinReader();
}

}  // namespace
}  // namespace skylark

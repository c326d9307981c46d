#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <optional>
#include <vector>
#include <string>
#include <thread>
#include <tuple>

#include "receiver/receiver_link.h"
#include "receiver/receiver_monitor.h"
#include "tests/support/pty.h"
#include "tests/support/xdg_dirs_posix.h"

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

  bool OpenCom2(SerialPort& port, std::optional<LineTimeouts> timeouts = kReceiverLine.timeouts) {
    LineSettings line = kReceiverLine;
    line.timeouts = timeouts;
    return port.Open(u"COM2:", AccessMode::ReadWrite, line);
  }

  testing::TempConfigHome home_;
  testing::PtyPair receiver_;
  ReceiverLink link_{u"COM2:"};
  ReceiverPort& port_ = *link_.InputPort();
};

TEST_F(PortOnPty, OpenIsExclusiveAndAFailedOpenKeepsTheLastGoodName) {
  ASSERT_TRUE(OpenCom2(port_));
  EXPECT_TRUE(OpenCom2(port_)) << "reopening releases its own line first";
  SerialPort other(u"COM1:");
  EXPECT_FALSE(OpenCom2(other));
  EXPECT_FALSE(other.IsOpen());
  EXPECT_EQ(other.Name(), u"COM1:");
  // A failed open leaves the port closed and the device free.
  LineSettings odd = kReceiverLine;
  odd.baudRate = 12345;
  EXPECT_FALSE(port_.Open(u"COM2:", AccessMode::ReadWrite, odd));
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

TEST_F(PortOnPty, WritesThatMakeNoProgressCloseThePort) {
  ASSERT_TRUE(OpenCom2(port_, LineTimeouts{1, 1, 50, 0, 20}));
  // Nobody reads the other end, so the line fills and then every write call times out empty.
  const std::string flood(1 << 20, 'x');
  const auto start = Clock::now();
  EXPECT_FALSE(port_.Write(reinterpret_cast<const std::uint8_t*>(flood.data()), flood.size()));
  EXPECT_GE(Clock::now() - start, 11 * 20ms);  // ten retries, and the eleventh gives up
  EXPECT_FALSE(port_.IsOpen());
}

// A hang-up ends a blocked read the same way: the monitor's reply wait below shows it.
TEST_F(PortOnPty, CloseEndsABlockedReadPromptly) {
  ASSERT_TRUE(OpenCom2(port_));
  auto reading = std::async(std::launch::async, [this] {
    std::uint8_t buffer[16];
    std::size_t got = 99;
    return !port_.Read(buffer, sizeof buffer, got) && got == 0;  // failed with nothing read
  });
  std::this_thread::sleep_for(50ms);  // let it start waiting
  EXPECT_TRUE(port_.Close());
  ASSERT_EQ(reading.wait_for(1s), std::future_status::ready);
  EXPECT_TRUE(reading.get());
  ASSERT_TRUE(OpenCom2(port_)) << "the device was released";
}

// The monitor on the link, its sentences collected as the reader hands them on.
class MonitorOnPty : public PortOnPty {
 protected:
  void SetUp() override {
    PortOnPty::SetUp();
    monitor_.Attach(&link_);
    monitor_.SetSentenceListener([this](const ReceivedSentence& sentence) {
      std::lock_guard lock(mutex_);
      heard_.push_back(sentence.text);
    });
  }
  void TearDown() override {
    monitor_.StopReader();
    monitor_.JoinReader();
  }
  std::vector<std::string> Heard() {
    std::lock_guard lock(mutex_);
    return heard_;
  }

  ReceiverMonitor monitor_;
  std::mutex mutex_;
  std::vector<std::string> heard_;
};

// A receiver that paces its bytes ends every read after one byte. Nothing may be lost or
// reordered by that, nor may a burst that follows fall behind.
TEST_F(MonitorOnPty, APacedSentenceAndTheBurstAfterItAreHandedOnWholeAndInOrder) {
  ASSERT_TRUE(OpenCom2(port_));
  monitor_.StartReader();
  const std::string paced = "$CRMSS,42,15,300.0,200*41\r\n";
  for (const char byte : paced) {
    ASSERT_TRUE(receiver_.Send(std::string(1, byte)));
    std::this_thread::sleep_for(2ms);  // 2.08 ms a byte at 4800 baud
  }
  std::vector<std::string> expected{"$CRMSS,42,15,300.0,200*41"};
  std::string burst;
  for (int i = 0; i < 40; ++i) {
    expected.push_back("$PCSI,CS0,L" + std::to_string(i));
    burst += expected.back() + "\r\n";
  }
  ASSERT_TRUE(receiver_.Send(burst));
  EXPECT_TRUE(testing::WaitFor([&] { return Heard().size() >= 41; }, 5s));
  EXPECT_EQ(Heard(), expected);
}

// A reading that comes while a command waits for its reply is handed on at once, and the reply
// goes to the wait of its kind only; a reply begun before the wait, our own request sent back
// and a lost line answer nothing.
TEST_F(MonitorOnPty, AReadingIsHandedOnWhileAReplyWaitRuns) {
  ASSERT_TRUE(OpenCom2(port_));
  monitor_.StartReader();
  ASSERT_TRUE(receiver_.Send("$PCSI,AC"));  // half an old acknowledgement
  std::this_thread::sleep_for(50ms);
  ReplyWait acknowledgement(monitor_, SentenceKind::Acknowledgement);
  auto waited = std::async(std::launch::async, [&] { return acknowledgement.Await(3s); });
  ASSERT_TRUE(receiver_.Send("K,EARLIER\r\n$PCSI,1\r\n$PCSI,ACK,PCSI\r\n"));
  const auto sent = Clock::now();
  ASSERT_TRUE(receiver_.Send("$CRMSS,42,15,300.0,200*41\r\n"));
  EXPECT_TRUE(testing::WaitFor([&] { return Heard().size() == 3; }, 1s));
  EXPECT_LT(Clock::now() - sent, 100ms) << "the reading did not wait for the reply";
  EXPECT_EQ(monitor_.Counts().echoes, 1u);
  ASSERT_TRUE(receiver_.Send("$PCSI,ACK,GPMSK*02\r\n"));
  const auto reply = waited.get();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->text, "$PCSI,ACK,GPMSK*02");

  ReplyWait lost(monitor_, SentenceKind::StationReport);
  const auto start = Clock::now();
  receiver_.CloseMaster();  // unplugged
  EXPECT_FALSE(lost.Await(3s));
  EXPECT_LT(Clock::now() - start, 1s) << "a lost line ends the wait at once";
  EXPECT_TRUE(testing::WaitFor([&] { return !port_.IsOpen(); }, 1s)) << "and closes the port";
}

// A query is answered by the one sentence it asks for, which the status snapshot hears too; a
// receiver that does not know the query leaves it unanswered.
TEST_F(MonitorOnPty, AQueryTakesTheSentenceItAsksFor) {
  ASSERT_TRUE(OpenCom2(port_));
  monitor_.StartReader();
  auto status = std::async(std::launch::async, [&] { return monitor_.QueryStatus(2s); });
  EXPECT_EQ(receiver_.Receive(12, 1s), "$GPCRQ,MSS\r\n");
  ASSERT_TRUE(receiver_.Send("$CRMSK,,A,,A,1\r\n$CRMSS,42,15,300.0,200*41\r\n"));
  EXPECT_EQ(status.get(), (SignalStatus{42, 15, 300.0, 200}));
  EXPECT_EQ(Heard().back(), "$CRMSS,42,15,300.0,200*41");
  EXPECT_EQ(monitor_.QueryTune(100ms), std::nullopt);
  // The tune to restore after a power loss is the last one sent on that port.
  ASSERT_TRUE(monitor_.SendManualTune(300.0, 200, 1));
  EXPECT_EQ(link_.LastTuneOn(u"COM2:"), (TuneCommand{300.0, 200, 1}));
  EXPECT_EQ(link_.LastTuneOn(u"COM3:"), std::nullopt);
}

// The output group of the two-port layout opens the port for writing only: the reader leaves it
// alone, and a refused read is no reason to close it (a hang-up still is, as above).
TEST_F(MonitorOnPty, AWriteOnlyPortStaysOpenWhileTheReceiverTalks) {
  ASSERT_TRUE(port_.Open(u"COM2:", AccessMode::Write));
  monitor_.StartReader();
  ASSERT_TRUE(receiver_.Send("$CRMSS,42,15,300.0,200*41\r\n"));
  std::this_thread::sleep_for(300ms);
  EXPECT_TRUE(port_.IsOpen());
  EXPECT_TRUE(Heard().empty());
  std::uint8_t buffer[16];
  std::size_t got = 0;
  EXPECT_FALSE(port_.Read(buffer, sizeof buffer, got)) << "the line refuses the read";
  EXPECT_TRUE(port_.IsOpen()) << "and stays open";
  EXPECT_TRUE(port_.SendSentence("$PCSI,1"));
  EXPECT_EQ(receiver_.Receive(9, 1s), "$PCSI,1\r\n");
}

}  // namespace
}  // namespace skylark

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "receiver/receiver_link.h"
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

  // What the receiver got: `bytes` is awaited; where nothing is expected, a brief look suffices
  // (a 9-byte sentence at 4800 baud takes about 19 ms, a pseudo-terminal far less).
  void ExpectReceived(const std::string& bytes) {
    EXPECT_EQ(receiver_.Receive(bytes.empty() ? 1 : bytes.size(), bytes.empty() ? 30ms : 1000ms),
              bytes);
  }

  testing::TempConfigHome home_;
  testing::PtyPair receiver_;
};

TEST_F(PortOnPty, OpenRecordsSettingsOnlyOnSuccess) {
  SerialPort port(u"COM4:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite);
  ASSERT_TRUE(port.Open(u"COM2:", 4800, 0, 8, 0, 7, AccessMode::Read, nullptr));
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(port.Name(), u"COM2:");
  EXPECT_EQ(port.GetAccess(), AccessMode::Read);
  EXPECT_EQ(port.Settings().flowControl, 7u);

  // Held by this very process: a second port cannot have it, and keeps its last good name.
  SerialPort other(u"COM1:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite);
  EXPECT_FALSE(OpenCom2(other));
  EXPECT_FALSE(other.IsOpen());
  EXPECT_EQ(other.Name(), u"COM1:");

  // Reopening closes the old line first, so the same device opens again.
  EXPECT_TRUE(OpenCom2(port));
  EXPECT_EQ(port.GetAccess(), AccessMode::ReadWrite);

  // A failed open leaves the port closed and the old line not restored.
  EXPECT_FALSE(port.Open(u"COM2:", 12345, 0, 8, 0, 0, AccessMode::ReadWrite, nullptr));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.Settings().baudRate, 4800u);
  EXPECT_TRUE(OpenCom2(other));

  other.SetName(nullptr);
  EXPECT_EQ(other.Name(), u"COM2:");
  other.SetName(u"COM9:");
  EXPECT_EQ(other.Name(), u"COM9:");
  EXPECT_TRUE(other.IsOpen());
  EXPECT_TRUE(other.Close());
  EXPECT_TRUE(other.Close());
}

TEST_F(PortOnPty, SentencesGoOutByteExact) {
  ReceiverLink link(u"COM2:", 4800, 0, 8, 0, 0);
  ASSERT_TRUE(OpenCom2(*link.OutputPort()));
  const struct {
    bool (*send)(ReceiverLink&);
    bool result;
    std::string bytes;
  } cases[] = {
      {[](ReceiverLink& l) { return l.TuneAutomatic(1); }, true, "$GPMSK,,A,,A,1\r\n"},
      {[](ReceiverLink& l) { return l.TuneAutomatic(100); }, true, "$GPMSK,,A,,A,100\r\n"},
      {[](ReceiverLink& l) { return l.TuneAutomatic(101); }, false, ""},
      {[](ReceiverLink& l) { return l.TuneManual(283.5, 100, 0); }, true,
       "$GPMSK,283.5,M,100,M,0\r\n"},
      {[](ReceiverLink& l) { return l.TuneManual(300.0, 200, 1); }, true,
       "$GPMSK,300.0,M,200,M,1\r\n"},
      {[](ReceiverLink& l) { return l.TuneManual(300.0, 200, 101); }, false, ""},
      {[](ReceiverLink& l) { return l.RequestStatus(); }, true, "$PCSI,1\r\n"},
      {[](ReceiverLink& l) { return l.RequestStatusZero(); }, true, "$PCSI,1,0\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(c.send(link), c.result);
    ExpectReceived(c.bytes);
  }
  EXPECT_TRUE(link.OutputPort()->IsOpen());
}

TEST_F(PortOnPty, WriteTextSendsOnlyWholeAsciiTexts) {
  SerialPort port(u"COM2:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite);
  ASSERT_TRUE(OpenCom2(port));
  const std::u16string longest(511, u'x');
  const struct {
    std::u16string text;
    bool result;
  } cases[] = {
      {u"", false},
      {u"caf\u00E9", false},  // Latin-1 belongs in site names, never in a sentence
      {u"\u20AC", false},
      {std::u16string(u"a\0b", 3), false},
      {longest + u"y", false},  // cutting it would send a corrupt sentence
      {longest, true},
      {u"$PCSI,1", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(port.WriteText(c.text), c.result);
    ExpectReceived(c.result ? std::string(c.text.begin(), c.text.end()) : "");
  }
  EXPECT_TRUE(port.IsOpen());
  EXPECT_TRUE(port.WriteLineEnd());
  ExpectReceived("\r\n");
}

TEST_F(PortOnPty, ReadLineTakesPrintableBytesUpToTheLineEnd) {
  ReceiverPort port(u"COM2:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite);
  // A short total time-out keeps the final "nothing more" read brief.
  ASSERT_TRUE(OpenCom2(port, {1, 1, 50, 10, 1000}));
  ASSERT_TRUE(receiver_.Send("$CR\x01MSS,\xB0" "1\r\nabcdefgh\n"));
  EXPECT_EQ(port.ReadLine(512), u"$CRMSS,1");
  EXPECT_EQ(port.ReadLine(512), u"");  // the LF after CR
  EXPECT_EQ(port.ReadLine(5), u"abcd");
  EXPECT_EQ(port.ReadLine(512), u"efgh");
  EXPECT_EQ(port.ReadLine(512), u"");
}

TEST_F(PortOnPty, RepliesAreReadStraightFromTheLine) {
  ReceiverLink link(u"COM2:", 4800, 0, 8, 0, 0);
  ReceiverPort& port = *link.InputPort();
  ASSERT_TRUE(OpenCom2(port, {1, 1, 50, 10, 1000}));
  port.SetSleeper([](std::chrono::milliseconds) {});

  ASSERT_TRUE(receiver_.Send("$GPGGA,1\r\nxx$PCSI,ACK\r\n"));
  EXPECT_TRUE(link.AwaitAcknowledge());

  ASSERT_TRUE(receiver_.Send("$CRMSS,42,15,300.0,200*5A\r\n"));
  std::int32_t strength = 0, snr = 0, rate = 0;
  double frequency = 0;
  EXPECT_TRUE(link.ReadSignalStatus(strength, snr, frequency, rate));
  EXPECT_EQ(strength, 42);
  EXPECT_EQ(snr, 15);
  EXPECT_EQ(frequency, 300.0);
  EXPECT_EQ(rate, 200);

  ASSERT_TRUE(receiver_.Send("$CRMSS,42,15\r\n"));
  frequency = 1.0;
  rate = 1;
  EXPECT_FALSE(link.ReadSignalStatus(strength, snr, frequency, rate));
  EXPECT_EQ(strength, 42);
  EXPECT_EQ(snr, 15);
  EXPECT_EQ(frequency, 0.0);
  EXPECT_EQ(rate, 0);
}

TEST_F(PortOnPty, DrainStopsAfterSixReads) {
  SerialPort port(u"COM2:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite);
  // A wide interval lets every read fill its 512 bytes from what is already waiting.
  ASSERT_TRUE(OpenCom2(port, {50, 0, 500, 10, 1000}));
  ASSERT_TRUE(receiver_.Send(std::string(4000, 'x')));
  std::this_thread::sleep_for(50ms);  // the pseudo-terminal hands bytes over asynchronously
  port.Drain();
  std::uint8_t rest[1024];
  std::size_t got = 0;
  ASSERT_TRUE(port.Read(rest, sizeof rest, got));
  EXPECT_EQ(got, 4000u - 6 * 512);
}

TEST_F(PortOnPty, DrainTakesOnlyWhatHasArrived) {
  SerialPort port(u"COM2:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite);
  ASSERT_TRUE(OpenCom2(port, platform::kReceiverTimeouts));
  ASSERT_TRUE(receiver_.Send("$CRMSS,42,15,300.0,200*5A\r\n"));
  std::this_thread::sleep_for(50ms);
  const auto start = Clock::now();
  port.Drain();
  // A talking receiver must not keep a drain waiting for its next sentence.
  EXPECT_LT(Clock::now() - start, 500ms);
  // The receiver time-outs are back: the next sentence is read whole.
  ASSERT_TRUE(receiver_.Send("$PCSI,ACK\r\n"));
  std::uint8_t rest[64];
  std::size_t got = 0;
  ASSERT_TRUE(port.Read(rest, 11, got));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(rest), got), "$PCSI,ACK\r\n");
}

TEST_F(PortOnPty, WritesThatMakeNoProgressCloseThePort) {
  SerialPort port(u"COM2:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite);
  ASSERT_TRUE(OpenCom2(port, {1, 1, 50, 0, 20}));
  // Nobody reads the other end, so the line fills and then every write call times out empty.
  const std::string flood(1 << 20, 'x');
  const auto start = Clock::now();
  EXPECT_FALSE(port.Write(reinterpret_cast<const std::uint8_t*>(flood.data()), flood.size()));
  EXPECT_GE(Clock::now() - start, 11 * 20ms);  // ten retries, and the eleventh gives up
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(port.Write(reinterpret_cast<const std::uint8_t*>("x"), 1));
}

TEST_F(PortOnPty, HangUpClosesThePortWithoutSpinning) {
  SerialPort port(u"COM2:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite);
  ASSERT_TRUE(OpenCom2(port));
  auto reading = std::async(std::launch::async, [&] {
    std::uint8_t buffer[16];
    std::size_t got = 99;
    const bool ok = port.Read(buffer, sizeof buffer, got);
    return ok || got != 0;
  });
  std::this_thread::sleep_for(50ms);
  const auto start = Clock::now();
  receiver_.CloseMaster();
  EXPECT_FALSE(reading.get());
  EXPECT_LT(Clock::now() - start, 1000ms);
  EXPECT_FALSE(port.IsOpen());
  std::uint8_t byte = 0;
  EXPECT_FALSE(port.ReadByte(byte));
}

TEST_F(PortOnPty, CloseWhileAnotherThreadReads) {
  SerialPort port(u"COM2:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite);
  ASSERT_TRUE(OpenCom2(port));
  auto reading = std::async(std::launch::async, [&] {
    std::uint8_t buffer[16];
    std::size_t got = 0;
    return port.Read(buffer, sizeof buffer, got);
  });
  std::this_thread::sleep_for(50ms);
  const auto start = Clock::now();
  EXPECT_TRUE(port.Close());
  EXPECT_FALSE(reading.get());
  EXPECT_LT(Clock::now() - start, 1000ms);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_TRUE(OpenCom2(port));  // the device was released
}

}  // namespace
}  // namespace skylark

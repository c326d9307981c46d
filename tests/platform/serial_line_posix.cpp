#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "platform/serial_line.h"
#include "tests/support/pty.h"

namespace skylark::platform {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::LinkPort;
using testing::PtyPair;
using testing::TempConfigHome;

constexpr LineState k4800{4800, 8, 0, 0, false};

class SerialLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty_.Valid());
    ASSERT_TRUE(LinkPort(3, pty_.SlavePath()));
  }

  std::unique_ptr<SerialLine> OpenConfigured(const LineTimeouts& timeouts) {
    auto line = OpenSerialLine(u"COM3:", AccessMode::ReadWrite);
    if (line && (!line->SetState(k4800) || !line->SetTimeouts(timeouts))) line.reset();
    return line;
  }

  static std::string ReadText(SerialLine& line, std::size_t count, bool& ok) {
    std::string text(count, '\0');
    std::size_t got = 0;
    ok = line.Read(reinterpret_cast<std::uint8_t*>(text.data()), count, got);
    text.resize(got);
    return text;
  }

  TempConfigHome home_;
  PtyPair pty_;
};

TEST_F(SerialLineTest, OpensOnlyKnownPortNamesAndOnlyOnce) {
  for (const char16_t* bad : {u"COM0:", u"COM10:", u"LPT1:", u"", u"COM:"}) {
    EXPECT_EQ(OpenSerialLine(bad, AccessMode::ReadWrite), nullptr);
  }
  auto first = OpenSerialLine(u"com3", AccessMode::ReadWrite);
  ASSERT_NE(first, nullptr);
  // Root ignores the terminal's exclusive flag; the lock must still turn a second opener away.
  EXPECT_EQ(OpenSerialLine(u"COM3:", AccessMode::Read), nullptr);
  EXPECT_TRUE(first->Close());
  EXPECT_TRUE(first->Close());
  EXPECT_NE(OpenSerialLine(u"COM3:", AccessMode::Write), nullptr);
}

TEST_F(SerialLineTest, StateRoundTripsAndRefusesWhatTheLineCannotDo) {
  auto line = OpenSerialLine(u"COM3:", AccessMode::ReadWrite);
  ASSERT_NE(line, nullptr);
  // A pseudo-terminal keeps the speed and stop bits it is given but always reports eight data
  // bits without parity, so only those states can be read back here.
  const struct {
    LineState state;
    bool accepted;
  } cases[] = {
      {{4800, 8, 0, 0, false}, true},    {{9600, 8, 0, 2, true}, true},
      {{1200, 7, 1, 0, true}, true},     {{12345, 8, 0, 0, false}, false},
      {{4800, 9, 0, 0, false}, false},   {{4800, 8, 7, 0, false}, false},
      {{4800, 8, 0, 1, false}, false},   {{4800, 8, 0, 3, false}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.state.baudRate) + " " + std::to_string(c.state.byteSize));
    ASSERT_EQ(line->SetState(c.state), c.accepted);
    if (!c.accepted || c.state.byteSize != 8 || c.state.parity != 0) continue;
    LineState read{};
    ASSERT_TRUE(line->GetState(read));
    EXPECT_EQ(read.baudRate, c.state.baudRate);
    EXPECT_EQ(read.byteSize, 8u);
    EXPECT_EQ(read.parity, 0u);
    EXPECT_EQ(read.stopBits, c.state.stopBits);
    EXPECT_EQ(read.parityCheck, c.state.parityCheck);
  }
}

TEST_F(SerialLineTest, CloseRestoresTheTerminalSettings) {
  auto line = OpenConfigured(kReceiverTimeouts);
  ASSERT_NE(line, nullptr);
  ASSERT_TRUE(line->Close());
  const int fd = ::open(pty_.SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  termios tio{};
  ASSERT_EQ(::tcgetattr(fd, &tio), 0);
  ::close(fd);
  EXPECT_NE(tio.c_lflag & ICANON, 0u);  // a fresh pseudo-terminal is canonical
}

// At 4800 baud a byte takes about 2 ms, so the budgets below are far beyond any one byte.
TEST_F(SerialLineTest, ReadReturnsOnCountIntervalOrTotal) {
  auto line = OpenConfigured({20, 0, 2000, 0, 0});
  ASSERT_NE(line, nullptr);
  bool ok = false;

  ASSERT_TRUE(pty_.Send("0123456789"));
  EXPECT_EQ(ReadText(*line, 4, ok), "0123");
  EXPECT_TRUE(ok);

  // The line goes quiet after six more bytes: the interval ends the read, not the 2 s total.
  auto start = Clock::now();
  EXPECT_EQ(ReadText(*line, 100, ok), "456789");
  EXPECT_TRUE(ok);
  EXPECT_LT(Clock::now() - start, 1500ms);

  ASSERT_TRUE(line->SetTimeouts({1, 0, 100, 0, 0}));
  start = Clock::now();
  EXPECT_EQ(ReadText(*line, 16, ok), "");
  EXPECT_TRUE(ok);
  EXPECT_GE(Clock::now() - start, 100ms);
}

TEST_F(SerialLineTest, QuietLineSucceedsEmptyAfterTheReceiverReadTimeout) {
  auto line = OpenConfigured(kReceiverTimeouts);
  ASSERT_NE(line, nullptr);
  bool ok = false;
  const auto start = Clock::now();
  EXPECT_EQ(ReadText(*line, 16, ok), "");
  EXPECT_TRUE(ok);
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, 3016ms);  // 3000 + 16 x 1 ms
  EXPECT_LT(elapsed, 4000ms);
}

TEST_F(SerialLineTest, UntimedReadTakesOnlyWhatIsThere) {
  auto line = OpenSerialLine(u"COM3:", AccessMode::ReadWrite);
  ASSERT_NE(line, nullptr);
  ASSERT_TRUE(line->SetState(k4800));
  bool ok = false;
  const auto start = Clock::now();
  EXPECT_EQ(ReadText(*line, 16, ok), "");
  EXPECT_TRUE(ok);
  EXPECT_LT(Clock::now() - start, 500ms);
}

TEST_F(SerialLineTest, HangUpFailsReadsAndWritesPromptly) {
  auto line = OpenConfigured(kReceiverTimeouts);
  ASSERT_NE(line, nullptr);
  auto reading = std::async(std::launch::async, [&] {
    bool ok = true;
    ReadText(*line, 16, ok);
    return ok;
  });
  std::this_thread::sleep_for(50ms);  // let the read start waiting
  const auto start = Clock::now();
  pty_.CloseMaster();
  EXPECT_FALSE(reading.get());
  EXPECT_LT(Clock::now() - start, 1000ms);

  // Every later call fails at once rather than waiting out its budget.
  bool ok = true;
  for (int i = 0; i < 3; ++i) {
    ReadText(*line, 16, ok);
    EXPECT_FALSE(ok);
  }
  std::size_t written = 0;
  const std::uint8_t byte = 'x';
  EXPECT_FALSE(line->Write(&byte, 1, written));
  EXPECT_LT(Clock::now() - start, 1000ms);
  EXPECT_TRUE(line->Close());
}

}  // namespace
}  // namespace skylark::platform

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <string>

#include "platform/serial_line.h"
#include "tests/support/pty.h"

namespace skylark::platform {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class SerialLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty_.Valid());
    ASSERT_TRUE(testing::LinkPort(3, pty_.SlavePath()));
    line_ = OpenSerialLine(u"com3", AccessMode::ReadWrite);  // port names ignore case
    ASSERT_NE(line_, nullptr);
    ASSERT_TRUE(line_->SetState({4800, 8, 0, 0, false}));
  }

  std::string ReadText(std::size_t count, bool& ok) {
    std::string text(count, '\0');
    std::size_t got = 0;
    ok = line_->Read(reinterpret_cast<std::uint8_t*>(text.data()), count, got) == SerialLine::ReadResult::Done;
    text.resize(got);
    return text;
  }

  testing::TempConfigHome home_;
  testing::PtyPair pty_;
  std::unique_ptr<SerialLine> line_;
};

TEST_F(SerialLineTest, OpensOnlyComOneToNineAndCloseRestoresTheTerminal) {
  for (const char16_t* bad : {u"COM0:", u"COM10:", u"LPT1:", u"", u"COM:", u"COM3:x"}) {
    EXPECT_EQ(OpenSerialLine(bad, AccessMode::ReadWrite), nullptr);
  }
  ASSERT_TRUE(line_->Close());
  EXPECT_TRUE(line_->Close());
  EXPECT_TRUE(pty_.Untouched());
}

TEST_F(SerialLineTest, StateRoundTripsAndRefusesWhatTheLineCannotDo) {
  // A pseudo-terminal keeps the speed and stop bits it is given but always reports eight data
  // bits without parity, so only such states are read back.
  const struct {
    LineState state;
    bool accepted;
  } cases[] = {
      {{4800, 8, 0, 0, false}, true},  {{9600, 8, 0, 2, true}, true},
      {{1200, 7, 1, 0, true}, true},   {{12345, 8, 0, 0, false}, false},
      {{4800, 9, 0, 0, false}, false}, {{4800, 8, 7, 0, false}, false},
      {{4800, 8, 0, 1, false}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.state.baudRate) + " " + std::to_string(c.state.byteSize));
    ASSERT_EQ(line_->SetState(c.state), c.accepted);
    if (!c.accepted || c.state.byteSize != 8) continue;
    LineState read{};
    ASSERT_TRUE(line_->GetState(read));
    EXPECT_EQ(read.baudRate, c.state.baudRate);
    EXPECT_EQ(read.stopBits, c.state.stopBits);
    EXPECT_EQ(read.parityCheck, c.state.parityCheck);
  }
}

// At 4800 baud a byte takes about 2 ms, so the budgets below are far beyond any one byte.
TEST_F(SerialLineTest, ReadReturnsOnCountIntervalOrTotal) {
  bool ok = false;
  auto start = Clock::now();
  EXPECT_EQ(ReadText(16, ok), "");
  EXPECT_TRUE(ok);
  EXPECT_LT(Clock::now() - start, 500ms) << "until time-outs are set, a read does not wait";

  ASSERT_TRUE(line_->SetTimeouts({20, 0, 2000, 0, 0}));
  ASSERT_TRUE(pty_.Send("0123456789"));
  EXPECT_EQ(ReadText(4, ok), "0123");
  EXPECT_TRUE(ok);
  // The line goes quiet after six more bytes: the interval ends the read, not the 2 s total.
  start = Clock::now();
  EXPECT_EQ(ReadText(100, ok), "456789");
  EXPECT_TRUE(ok);
  EXPECT_LT(Clock::now() - start, 1500ms);

  // A quiet line succeeds with nothing after the total: 100 ms + 16 x 10 ms.
  ASSERT_TRUE(line_->SetTimeouts({1, 10, 100, 0, 0}));
  start = Clock::now();
  EXPECT_EQ(ReadText(16, ok), "");
  EXPECT_TRUE(ok);
  EXPECT_GE(Clock::now() - start, 260ms);
}

// An interrupt ends a blocked read at once and every read while it lasts, without closing the
// line: writes go on, and reads take what comes again once it is lifted.
TEST_F(SerialLineTest, AnInterruptEndsReadsWithoutClosingTheLine) {
  ASSERT_TRUE(line_->SetTimeouts({1, 1, 3000, 10, 1000}));
  auto blocked = std::async(std::launch::async, [&] {
    bool ok = false;
    const std::string text = ReadText(16, ok);
    return ok ? text : "(failed)";
  });
  std::this_thread::sleep_for(100ms);
  line_->InterruptReads(true);
  ASSERT_EQ(blocked.wait_for(1s), std::future_status::ready) << "the 3 s read was not ended";
  EXPECT_EQ(blocked.get(), "");
  bool ok = false;
  EXPECT_EQ(ReadText(16, ok), "");
  EXPECT_TRUE(ok);
  std::size_t written = 0;
  const std::uint8_t command[] = {'$', 'P', 'C', 'S', 'I', ',', '1', '\r', '\n'};
  EXPECT_TRUE(line_->Write(command, sizeof command, written));
  EXPECT_EQ(pty_.Receive(9, 1s), "$PCSI,1\r\n");
  line_->InterruptReads(false);
  ASSERT_TRUE(pty_.Send("$CRMSS"));
  EXPECT_EQ(ReadText(6, ok), "$CRMSS");
}

}  // namespace
}  // namespace skylark::platform

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "platform/serial_line.h"
#include "tests/support/loopback.h"

namespace skylark::platform {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A raw network port served by a local socket the test writes to and closes.
struct NetworkLineTest : ::testing::Test {
  void SetUp() override {
    ASSERT_TRUE(listener_.Valid());
    const std::string name = listener_.Name();
    line_ = OpenSerialLine(std::u16string(name.begin(), name.end()), AccessMode::ReadWrite);
    ASSERT_NE(line_, nullptr);
    peer_ = listener_.Accept();
    ASSERT_GE(peer_, 0);
  }
  void TearDown() override {
    if (line_) line_->Close();
    if (peer_ >= 0) ::close(peer_);
  }
  void Send(const std::string& bytes) { ASSERT_EQ(::write(peer_, bytes.data(), bytes.size()), ssize_t(bytes.size())); }

  testing::LoopbackListener listener_;
  int peer_ = -1;
  std::unique_ptr<SerialLine> line_;
};

// The time-outs hold across the network as on a serial line: a read ends at its count, at the
// gap after the last byte, or at its total; an interrupt ends it at once; a closed connection
// reads as gone, and a close ends a blocked read.
TEST_F(NetworkLineTest, ReadsKeepTheLineTimeoutsAndALostConnectionIsGone) {
  ASSERT_TRUE(line_->SetTimeouts({.readInterval = 30, .readTotalConstant = 2000}));
  std::uint8_t buffer[64];
  std::size_t got = 0;
  Send("$CRMSS,60,20,300.0,200\r\n");
  auto start = Clock::now();
  EXPECT_EQ(line_->Read(buffer, 6, got), SerialLine::ReadResult::Done);
  EXPECT_EQ(std::string(buffer, buffer + got), "$CRMSS");
  EXPECT_EQ(line_->Read(buffer, sizeof buffer, got), SerialLine::ReadResult::Done);
  EXPECT_EQ(got, 18u) << "the rest, at the gap after it";
  EXPECT_LT(Clock::now() - start, 1s);

  ASSERT_TRUE(line_->SetTimeouts({.readTotalConstant = 100}));
  start = Clock::now();
  EXPECT_EQ(line_->Read(buffer, sizeof buffer, got), SerialLine::ReadResult::Done);
  EXPECT_EQ(got, 0u);
  EXPECT_GE(Clock::now() - start, 100ms);

  ASSERT_TRUE(line_->SetTimeouts({.readTotalConstant = 0}));
  auto blocked = std::async(std::launch::async, [&] { return line_->Read(buffer, sizeof buffer, got); });
  std::this_thread::sleep_for(50ms);
  line_->InterruptReads(true);
  ASSERT_EQ(blocked.wait_for(1s), std::future_status::ready);
  EXPECT_EQ(blocked.get(), SerialLine::ReadResult::Done);
  line_->InterruptReads(false);

  std::size_t written = 0;
  const std::uint8_t request[] = {'$', 'P', 'C', 'S', 'I', ',', '0', '\r', '\n'};
  ASSERT_TRUE(line_->Write(request, sizeof request, written));
  EXPECT_EQ(written, sizeof request);
  char echoed[16] = {};
  EXPECT_EQ(::read(peer_, echoed, sizeof echoed), ssize_t(sizeof request));

  ::close(peer_);
  peer_ = -1;
  EXPECT_EQ(line_->Read(buffer, sizeof buffer, got), SerialLine::ReadResult::Gone);
  // Writing to a closed connection fails, and must not end the program with SIGPIPE.
  bool refused = false;
  for (int i = 0; i < 3 && !refused; ++i) {
    refused = !line_->Write(request, sizeof request, written);
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_TRUE(refused);

  blocked = std::async(std::launch::async, [&] { return line_->Read(buffer, sizeof buffer, got); });
  std::this_thread::sleep_for(50ms);
  start = Clock::now();
  line_->Close();
  EXPECT_LT(Clock::now() - start, 500ms);
  EXPECT_EQ(blocked.get(), SerialLine::ReadResult::Gone);
}

TEST(NetworkPortName, SchemesHostsAndPorts) {
  const struct {
    const char16_t* name;
    std::optional<NetworkKind> kind;
  } cases[] = {
      {u"tcp://localhost:4001", NetworkKind::Raw},   {u"TCP://10.0.0.2:1", NetworkKind::Raw},
      {u"rfc2217://[::1]:65535", NetworkKind::Rfc2217}, {u"tcp://host:0", std::nullopt},
      {u"tcp://host:123456", std::nullopt},          {u"tcp://host:", std::nullopt},
      {u"telnet://host:23", std::nullopt},           {u"tcp://a,b:1", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(NetworkScheme(c.name), c.kind) << std::string(c.name, c.name + 3);
}

}  // namespace
}  // namespace skylark::platform

// A receiver that floods the line or sends junk: the queue stays bounded, the newest status is
// the one read, and a real sentence after junk still arrives whole.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <string>

#include "receiver/receiver_monitor.h"

namespace skylark {
namespace {

// Feeds `bytes` to the assembler in the reader's 16-byte reads, queueing through the monitor.
void Receive(SentenceAssembler& assembler, ReceiverMonitor& monitor, const std::string& bytes) {
  const SentenceAssembler::Sink queue = [&monitor](std::u16string_view line) { monitor.QueueLine(line); };
  for (std::size_t at = 0; at < bytes.size(); at += 16) {
    const std::size_t n = std::min<std::size_t>(16, bytes.size() - at);
    assembler.AssembleSentences(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at, n, queue);
  }
}

class Flood : public ::testing::Test {
 protected:
  void SetUp() override {
    monitor_.Attach(&link_);
    link_.InputPort()->SetSleeper([](std::chrono::milliseconds) {});
  }

  // The reply wait of the status poll, on the queue alone.
  TextList StatusFields() {
    TextList fields;
    link_.InputPort()->QueryFields(u"$CRMSS", fields);
    return fields;
  }

  ReceiverLink link_{u"COM4:", 4800, 0, 8, 0, 0};
  ReceiverMonitor monitor_;
  SentenceAssembler assembler_;
};

TEST_F(Flood, AHundredThousandSentencesKeepTheQueueBoundedAndTheNewestStatus) {
  constexpr int kSentences = 100000;
  std::string bytes;
  for (int i = 0; i < kSentences; ++i) {
    bytes += "$CRMSS,";
    bytes += std::to_string(i % 100);
    bytes += ",9,300.0,200*00\r\n";
  }
  Receive(assembler_, monitor_, bytes);
  EXPECT_EQ(monitor_.QueuedLines(), ReceiverMonitor::kLineQueueLimit);
  EXPECT_EQ(monitor_.DroppedLines(), kSentences - ReceiverMonitor::kLineQueueLimit);

  // The reply wait reads the oldest kept line: one of the newest 256 sent, never a stale one.
  TextList fields = StatusFields();
  ASSERT_EQ(fields.Count(), 5u);
  EXPECT_EQ(TakeInt(fields), (kSentences - static_cast<int>(ReceiverMonitor::kLineQueueLimit)) % 100);
}

TEST_F(Flood, JunkAndOverlongRunsNeverHideTheNextSentence) {
  std::mt19937 random(4800);
  std::string junk;
  for (int i = 0; i < 64 * 1024; ++i) {
    const auto byte = static_cast<char>(random() & 0xFF);
    junk.push_back(byte == '$' || byte == '\n' ? 'x' : byte);  // no sentence starts or ends in it
  }
  const struct {
    const char* legend;
    std::string bytes;
  } cases[] = {
      {"random bytes", junk},
      {"a megabyte of text without a line end", std::string(1 << 20, 'A')},
      {"an overlong sentence", "$GPGGA," + std::string(5000, '9') + "\r\n"},
      {"control bytes only", std::string(4096, '\x01')},
  };
  for (const auto& c : cases) {
    Receive(assembler_, monitor_, c.bytes + "$CRMSS,42,15,300.0,200*5A\r\n");
    TextList fields = StatusFields();
    EXPECT_EQ(fields.Count(), 5u) << c.legend;
    EXPECT_EQ(TakeInt(fields), 42) << c.legend;
    EXPECT_EQ(TakeInt(fields), 15) << c.legend;
    EXPECT_DOUBLE_EQ(TakeReal(fields), 300.0) << c.legend;
    EXPECT_EQ(TakeInt(fields), 200) << c.legend;
    EXPECT_LE(monitor_.QueuedLines(), ReceiverMonitor::kLineQueueLimit) << c.legend;
  }
}

}  // namespace
}  // namespace skylark

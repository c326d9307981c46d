#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "receiver/receiver_link.h"
#include "receiver/receiver_port.h"

namespace skylark {
namespace {

using namespace std::chrono_literals;

TEST(TuneSentence, AutomaticAndManualFormats) {
  const struct {
    double frequency;  // < 0 marks the automatic sentence
    int rate;
    std::uint32_t interval;
    std::u16string expected;
  } cases[] = {
      {-1, 0, 1, u"$GPMSK,,A,,A,1"},
      {-1, 0, 0, u"$GPMSK,,A,,A,0"},
      {-1, 0, 100, u"$GPMSK,,A,,A,100"},
      {-1, 0, 101, u""},
      {-1, 0, 0xFFFFFFFFu, u""},  // a negative interval passed through unsigned
      {283.5, 100, 0, u"$GPMSK,283.5,M,100,M,0"},
      {300.0, 200, 1, u"$GPMSK,300.0,M,200,M,1"},
      {50.0, 100, 1, u"$GPMSK, 50.0,M,100,M,1"},
      {0.04, 50, 1, u"$GPMSK,  0.0,M,50,M,1"},
      {325.05, 200, 1, u"$GPMSK,325.1,M,200,M,1"},  // 325.05 is stored a hair above
      {283.45, 200, 1, u"$GPMSK,283.4,M,200,M,1"},  // and 283.45 a hair below
      {-5.0, -1, 1, u"$GPMSK, -5.0,M,-1,M,1"},
      {300.0, 200, 101, u""},
      {1e300, 200, 1, u""},  // would not fit the sentence buffer
      {std::numeric_limits<double>::quiet_NaN(), 200, 1, u""},
      {std::numeric_limits<double>::infinity(), 200, 1, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.frequency) + " " + std::to_string(c.interval));
    const std::u16string sentence = c.frequency < 0 && c.rate == 0
                                        ? FormatAutomaticTune(c.interval)
                                        : FormatManualTune(c.frequency, c.rate, c.interval);
    EXPECT_EQ(sentence, c.expected);
  }
}

// The graphical program runs in the user's locale, where the decimal point may be a comma.
TEST(TuneSentence, DoesNotFollowTheNumericLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  const char* comma = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8", "de_DE"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      comma = name;
      break;
    }
  }
  if (comma == nullptr) GTEST_SKIP() << "no locale with a decimal comma is installed";
  const std::u16string sentence = FormatManualTune(283.5, 100, 0);
  TextList fields;
  fields.Append(u"300.5");
  const double value = TakeReal(fields);
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(sentence, u"$GPMSK,283.5,M,100,M,0");
  EXPECT_EQ(value, 300.5);
}

// A port in queue mode with a clock that records pauses instead of sleeping; `arrivals` are
// lines the reader thread would queue at the given pause (1 = before the first read).
class QueuedReplies : public ::testing::Test {
 protected:
  void SetUp() override {
    port_.SetLineQueue(&queue_);
    port_.SetQueueMode(true);
    port_.SetSleeper([this](std::chrono::milliseconds time) {
      if (time.count() == 0) return;
      ++pauses_;
      for (const auto& [at, line] : arrivals_) {
        if (at == pauses_) queue_.Append(line);
      }
    });
  }

  void Queue(std::initializer_list<std::u16string_view> lines) {
    for (auto line : lines) arrivals_.emplace_back(1, std::u16string(line));
  }

  ReceiverPort port_{u"COM1:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite};
  TextList queue_;
  int pauses_ = 0;
  std::vector<std::pair<int, std::u16string>> arrivals_;
};

TEST_F(QueuedReplies, AwaitReplyFindsThePrefixAnywhereAndCopiesFromIt) {
  Queue({u"$CRMSS,1,2,3,4", u"xx$PCSI,ACK*00", u"$PCSI,ACK"});
  std::u16string reply = u"old";
  EXPECT_TRUE(port_.AwaitReply(u"$PCSI,ACK", reply, 512));
  EXPECT_EQ(reply, u"$PCSI,ACK*00");
  EXPECT_EQ(pauses_, 1);
  EXPECT_EQ(queue_.Count(), 1u);  // the later line stays for the next wait
}

TEST_F(QueuedReplies, AwaitReplyGivesUpAfterTenPauses) {
  Queue({u"$CRMSS,1,2,3,4"});
  std::u16string reply = u"old";
  EXPECT_FALSE(port_.AwaitReply(u"$PCSI,ACK", reply, 512));
  EXPECT_EQ(reply, u"");
  EXPECT_EQ(pauses_, 10);
  EXPECT_TRUE(queue_.Empty());
}

// The one wait on the real clock: ten pauses of 200 ms.
TEST(ReplyWait, GivesUpAfterAboutTwoSeconds) {
  ReceiverPort port(u"COM1:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite);
  TextList queue;
  port.SetLineQueue(&queue);
  port.SetQueueMode(true);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(port.AwaitLine(u"$PCSI,ACK"));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, 2000ms);
  EXPECT_LT(elapsed, 3000ms);
}

TEST_F(QueuedReplies, EmptyLineEndsAPassAndLateRepliesAreSeen) {
  Queue({u"", u"$PCSI,ACK"});
  EXPECT_TRUE(port_.AwaitLine(u"$PCSI,ACK"));
  EXPECT_EQ(pauses_, 2);

  pauses_ = 0;
  arrivals_ = {{10, u"$PCSI,ACK"}};
  EXPECT_TRUE(port_.AwaitLine(u"$PCSI,ACK"));
  EXPECT_EQ(pauses_, 10);
}

TEST_F(QueuedReplies, ReadLineAndReplyKeepWithinCapacity) {
  queue_.Append(u"abcdef");
  queue_.Append(u"$PCSI,ACK,123");
  EXPECT_EQ(port_.ReadLine(4), u"abc");
  std::u16string reply;
  EXPECT_TRUE(port_.AwaitReply(u"$PCSI", reply, 8));
  EXPECT_EQ(reply, u"$PCSI,A");
  EXPECT_EQ(port_.ReadLine(512), u"");  // no waiting in queue mode
}

TEST_F(QueuedReplies, QueryFieldsSplitsTheReply) {
  const struct {
    std::u16string_view line;
    bool result;
    std::vector<std::u16string> fields;
  } cases[] = {
      {u"$CRMSS,42,15,300.0,200*5A", true, {u"42", u"15", u"300.0", u"200", u"5A"}},
      {u"noise$CRMSS,42,15", true, {u"42", u"15"}},
      {u"$CRMSS,a,,b", true, {u"a", u"", u"b"}},
      {u"$CRMSS,a,", true, {u"a"}},
      {u"$CRMSS,,", true, {u""}},
      {u"$CRMSS;x", true, {u"x"}},  // the character after the prefix is skipped, whatever it is
      {u"$CRMSS,", false, {}},
      {u"$CRMSS", false, {}},
      {u"$GPMSK,1,2", false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.line.begin(), c.line.end()));
    arrivals_.clear();
    pauses_ = 0;
    Queue({c.line});
    TextList fields;
    fields.Append(u"stale");
    EXPECT_EQ(port_.QueryFields(u"$CRMSS", fields), c.result);
    EXPECT_EQ(std::vector<std::u16string>(fields.begin(), fields.end()), c.fields);
  }
}

TEST(FieldReaders, TakeIntFollowsDecimalConversion) {
  const struct {
    std::u16string_view field;
    std::int32_t value;
  } cases[] = {
      {u"42", 42},
      {u" \t-7", -7},
      {u"+8", 8},
      {u"12abc", 12},
      {u"abc", 0},
      {u"", 0},
      {u"-", 0},
      {u"+-3", 0},
      {u"2147483647", 2147483647},
      {u"-2147483648", -2147483647 - 1},
      {u"99999999999999999999", 2147483647},
      {u"-99999999999999999999", -2147483647 - 1},
  };
  for (const auto& c : cases) {
    TextList fields;
    fields.Append(c.field);
    fields.Append(u"next");
    EXPECT_EQ(TakeInt(fields), c.value) << std::string(c.field.begin(), c.field.end());
    EXPECT_EQ(fields.Count(), 1u);
  }
  TextList empty;
  EXPECT_EQ(TakeInt(empty), 0);
}

TEST(FieldReaders, TakeRealScansADecimalNumber) {
  const struct {
    std::u16string_view field;
    double value;
  } cases[] = {
      {u"300.0", 300.0}, {u" 283.5", 283.5}, {u"-1.5", -1.5}, {u"+2", 2.0},
      {u"1e3", 1000.0},  {u".5", 0.5},       {u"12.5kHz", 12.5}, {u"abc", 0.0},
      {u"", 0.0},        {u"+-1", 0.0},      {u"nan", 0.0},     {u"inf", 0.0},
      {u"1e999", 0.0},
  };
  for (const auto& c : cases) {
    TextList fields;
    fields.Append(c.field);
    EXPECT_EQ(TakeReal(fields), c.value) << std::string(c.field.begin(), c.field.end());
    EXPECT_TRUE(fields.Empty());
  }
  TextList empty;
  EXPECT_EQ(TakeReal(empty), 0.0);
}

class QueuedLink : public ::testing::Test {
 protected:
  void SetUp() override {
    link_.InputPort()->SetLineQueue(&queue_);
    link_.InputPort()->SetQueueMode(true);
    link_.InputPort()->SetSleeper([](std::chrono::milliseconds) {});
  }
  ReceiverLink link_{u"COM4:", 4800, 0, 8, 0, 0};
  TextList queue_;
};

TEST_F(QueuedLink, ReceiverStatusTakesThirteenFieldsInOrder) {
  queue_.Append(u"$PCSI,CS0,PASS,1,300.5,A,200,B,44,17,C,5,613,D,9*12");
  ReceiverStatusLine line;
  link_.ReadReceiverStatus(line);
  EXPECT_EQ(line.field1, u"PASS");
  EXPECT_EQ(line.field2, 1);
  EXPECT_EQ(line.frequency, 300.5);
  EXPECT_EQ(line.field4, u"A");
  EXPECT_EQ(line.mskRate, 200);
  EXPECT_EQ(line.signalStrength, 44);
  EXPECT_EQ(line.snr, 17);
  EXPECT_EQ(line.field10, 5);
  EXPECT_EQ(line.stationId, 613);
  EXPECT_EQ(line.field12, u"D");
  EXPECT_EQ(line.field13, 9);

  queue_.Append(u"$PCSI,CS0,PASS,1,300.5,A,200,B,44,17,C,5");
  link_.ReadReceiverStatus(line);
  EXPECT_EQ(line.field10, 5);
  EXPECT_EQ(line.stationId, 0);
  EXPECT_EQ(line.field12, u"");
  EXPECT_EQ(line.field13, 0);
}

}  // namespace
}  // namespace skylark

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "receiver/receiver_link.h"
#include "receiver/receiver_monitor.h"

namespace skylark {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::u16string>;

// Feeds each read to one assembler and collects what it queued.
Lines Assemble(const std::vector<std::string>& reads) {
  SentenceAssembler assembler;
  Lines lines;
  for (const std::string& read : reads) {
    assembler.AssembleSentences(reinterpret_cast<const std::uint8_t*>(read.data()), read.size(),
                                [&](std::u16string_view line) { lines.emplace_back(line); });
  }
  return lines;
}

TEST(SentenceAssembly, ByteRules) {
  struct Case {
    const char* legend;
    std::vector<std::string> reads;
    Lines expected;
  };
  const std::vector<Case> cases = {
      {"two in one read", {"$PCSI,ACK\r\n$CRMSS,1,2\r\n"}, {u"$PCSI,ACK", u"$CRMSS,1,2"}},
      {"a space cuts its piece", {"$PCSI,AB CDEFGHIJKLMNOPQRS\r\n"}, {u"$PCSI,ABIJKLMNOPQRS"}},
      {"two LFs", {"$PCSI,ACK\n\n"}, {u"$PCSI,ACK", u""}},
      {"'$' inside a piece", {"$PCSI,A$PCSI,ACK\r\n"}, {u"$PCSI,A", u"$PCSI,ACK"}},
      {"'$' opening a read", {"$CRMSS,1,2", "$PCSI,ACK\r\n"}, {u"$CRMSS,1,2", u"$PCSI,ACK"}},
      {"'$' 16th byte", {"$CRMSS,11,22,33$PCSI,ACK\n"}, {u"$CRMSS,11,22,33", u"$PCSI,ACK"}},
      {"'$' after LF", {"$PCSI,ACK\r\n", "$PCSI,ACK\r\n"}, {u"$PCSI,ACK", u"$PCSI,ACK"}},
      {"control and high bytes", {"$PC\x01SI\r\n", "$\x80\xff" "AB\r\n"}, {u"$PC", u"$"}},
      {"cut at 511", {"$" + std::string(600, 'A') + "\r\n"}, {u"$" + std::u16string(510, u'A')}},
      {"a sentence after a run without LF", {"$" + std::string(600, 'A'), "$CRMSS,1\r\n"},
       {u"$" + std::u16string(510, u'A'), u"$CRMSS,1"}},
      {"no LF yet", {"$PCSI,ACK"}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Assemble(c.reads), c.expected) << c.legend;
}

// The graphical program runs in the user's locale, where the decimal point may be a comma; the
// receiver's sentences must not follow it. Where no such locale is installed the C one serves.
class CommaLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8", "de_DE"}) {
      if (std::setlocale(LC_ALL, name) != nullptr) return;
    }
  }
  void TearDown() override { std::setlocale(LC_ALL, saved_.c_str()); }
  const std::string saved_ = std::setlocale(LC_ALL, nullptr);
};

TEST_F(CommaLocale, TuneSentences) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    const char* legend;
    std::u16string sentence;
    std::u16string expected;
  } cases[] = {
      {"automatic", FormatAutomaticTune(1), u"$GPMSK,,A,,A,1"},
      {"automatic, interval 101", FormatAutomaticTune(101), u""},
      {"a negative interval passed on", FormatAutomaticTune(0xFFFFFFFFu), u""},
      {"manual", FormatManualTune(283.5, 100, 0), u"$GPMSK,283.5,M,100,M,0"},
      {"padded to five characters", FormatManualTune(50.0, 100, 1), u"$GPMSK, 50.0,M,100,M,1"},
      {"manual, interval 101", FormatManualTune(300.0, 200, 101), u""},
      {"too long for the sentence", FormatManualTune(1e300, 200, 1), u""},
      {"not a number", FormatManualTune(nan, 200, 1), u""},
      {"infinite", FormatManualTune(inf, 200, 1), u""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.sentence, c.expected) << c.legend;
}

TEST_F(CommaLocale, FieldReaders) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const struct {
    std::u16string_view field;
    std::int32_t integer;
    double real;
  } cases[] = {
      {u" \t-7", -7, -7.0},
      {u"300.5", 300, 300.5},
      {u"12.5kHz", 12, 12.5},
      {u"abc", 0, 0.0},
      {u"99999999999999999999", kMax, 1e20},
      {u"-99999999999999999999", -kMax - 1, -1e20},
      {u"nan", 0, 0.0},
      {u"inf", 0, 0.0},
      {u"1e999", 1, 0.0},
  };
  for (const auto& c : cases) {
    TextList fields;
    fields.Append(c.field);
    fields.Append(c.field);
    const std::string legend(c.field.begin(), c.field.end());
    EXPECT_EQ(TakeInt(fields), c.integer) << legend;
    EXPECT_EQ(TakeReal(fields), c.real) << legend;
    EXPECT_TRUE(fields.Empty());
  }
}

// The link's port in queue mode, as the monitor attaches it.
class QueuedReplies : public ::testing::Test {
 protected:
  void SetUp() override {
    port_.SetLineQueue(&queue_);
    port_.SetQueueMode(true);
    port_.SetReplyWait(100ms);
  }

  ReceiverLink link_{u"COM1:", 4800, 0, 8, 0, 0};
  ReceiverPort& port_ = *link_.InputPort();
  LineQueue queue_;
};

TEST_F(QueuedReplies, QueryFieldsTakesTheFirstLineWithTheSentenceAndSplitsIt) {
  const struct {
    const char* legend;
    std::u16string_view prefix;
    std::vector<std::u16string> queued;
    bool result;
    std::vector<std::u16string> fields;
    std::size_t left;  // lines kept for the next wait
  } cases[] = {
      {"anywhere in a line", u"$CRMSS", {u"$PCSI,ACK", u"xx$CRMSS,42,15*5E", u"$CRMSS,9"}, true,
       {u"42", u"15"}, 2},
      {"a wrong checksum is no reply, *hh no field", u"$CRMSS",
       {u"$CRMSS,54,24,300.0*00", u"$CRMSS,54,24,300.0*5a"}, true, {u"54", u"24", u"300.0"}, 1},
      {"no checksum", u"$CRMSS", {u"$CRMSS,1,2*"}, true, {u"1", u"2"}, 0},
      {"an empty field", u"$CRMSS", {u"$CRMSS,a,,b"}, true, {u"a", u"", u"b"}, 0},
      {"a trailing comma", u"$CRMSS", {u"$CRMSS,a,"}, true, {u"a"}, 0},
      {"nothing after the prefix", u"$CRMSS", {u"$CRMSS,"}, false, {}, 0},
      {"any talker", u"$--MSS", {u"$PCSI,MSS,1", u"x$GPMSS,7,8"}, true, {u"7", u"8"}, 1},
      {"a talker is two capitals", u"$--MSS", {u"$G1MSS,1", u"$gpMSS,1", u"$MSS,1"}, false, {}, 3},
      {"nothing queued", u"$CRMSS", {}, false, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.legend);
    queue_.Clear();
    for (const auto& line : c.queued) queue_.Append(line);
    TextList fields;
    fields.Append(u"stale");
    EXPECT_EQ(port_.QueryFields(c.prefix, fields), c.result);
    EXPECT_EQ(std::vector<std::u16string>(fields.begin(), fields.end()), c.fields);
    EXPECT_EQ(queue_.Count(), c.left);
  }
}

TEST_F(QueuedReplies, AcknowledgeAndReceiverStatus) {
  queue_.Append(u"xx$PCSI,ACK");
  queue_.Append(u"$PCSI,CS0,PASS,1,300.5,A,200,B,44,17,C,5,613,D,9*29");
  queue_.Append(u"$PCSI,CS0,PASS,1,300.5,A,200,B,44,17,C,5");
  EXPECT_TRUE(link_.AwaitAcknowledge());
  ReceiverStatusLine line;
  link_.ReadReceiverStatus(line);
  EXPECT_EQ(std::tuple(line.frequency, line.mskRate, line.signalStrength, line.snr),
            std::tuple(300.5, 200, 44, 17));
  EXPECT_EQ(std::tuple(line.field10, line.stationId, line.field13), std::tuple(5, 613, 9));
  link_.ReadReceiverStatus(line);
  EXPECT_EQ(std::tuple(line.field10, line.stationId, line.field13), std::tuple(5, 0, 0));
}

}  // namespace
}  // namespace skylark

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "receiver/sentence_framer.h"
#include "receiver/sentences.h"

namespace skylark {
namespace {

using Sentences = std::vector<std::string>;

// However reads split the bytes, the sentences are the same: the fuzz target's property.
TEST(SentenceFraming, ByteRules) {
  const std::string tooLong = "$" + std::string(300, 'A');
  const struct {
    const char* legend;
    std::string bytes;
    Sentences expected;
    std::uint64_t rejected;
  } cases[] = {
      {"two in one read", "$PCSI,ACK\r\n$CRMSS,1,2\r\n", {"$PCSI,ACK", "$CRMSS,1,2"}, 0},
      {"CR alone, LF alone", "$PCSI,ACK\r$CRMSS,1,2\n\n", {"$PCSI,ACK", "$CRMSS,1,2"}, 0},
      {"spaces are text", "$CRMSS,42,15, 50.0,200\r\n", {"$CRMSS,42,15, 50.0,200"}, 0},
      {"noise before the '$'", "\x01\xff~x$PCSI,ACK\r\n", {"$PCSI,ACK"}, 0},
      {"'$' ends a sentence without its line end", "$PCSI,A$PCSI,ACK\r\n", {"$PCSI,A", "$PCSI,ACK"}, 0},
      {"a control byte drops the sentence", "$PC\x01SI,ACK\r\n$CRMSS,1\r\n", {"$CRMSS,1"}, 1},
      {"a high byte drops the sentence", "$CRMSS,\xB0" "42,15\r\n", {}, 1},
      {"a wrong checksum drops it", "$CRMSS,54,24,300.0*00\r\n$CRMSS,54,24,300.0*5A\r\n",
       {"$CRMSS,54,24,300.0*5A"}, 1},
      {"too long", tooLong + "\r\n$CRMSS,1\r\n", {"$CRMSS,1"}, 1},
      {"no line end yet", "$PCSI,ACK", {}, 0},
  };
  for (const auto& c : cases) {
    SentenceFramer framer;
    Sentences sentences;
    framer.Feed(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size(),
                [&](std::string_view sentence, std::uint64_t) { sentences.emplace_back(sentence); });
    EXPECT_EQ(sentences, c.expected) << c.legend;
    EXPECT_EQ(framer.Rejected(), c.rejected) << c.legend;
  }
}

TEST(Sentences, ReadingsFromRealReceiversVariants) {
  using Status = std::optional<SignalStatus>;
  const struct {
    const char* legend;
    std::string sentence;
    Status expected;
  } cases[] = {
      {"with checksum", "$CRMSS,42,15,300.0,200*41", SignalStatus{42, 15, 300.0, 200}},
      {"another talker", "$GPMSS,60,8,300.0,200*7B", SignalStatus{60, 8, 300.0, 200}},
      {"decimal values", "$CRMSS,42.7,15.2,300.5,200.0", SignalStatus{42, 15, 300.5, 200}},
      {"a fifth field", "$CRMSS,42,15,300.0,200,0*5D", SignalStatus{42, 15, 300.0, 200}},
      {"blanks before values", "$CRMSS, 42,15, 50.0,200", SignalStatus{42, 15, 50.0, 200}},
      {"cut short", "$CRMSS,42,15", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseSignalStatus(c.sentence), c.expected) << c.legend;

  const auto report = ParseStationReport("$PCSI,CS0,SIM0001,0,300.5,A,200,B,44,17,C,5,613,LOCK,9*5F");
  ASSERT_TRUE(report);
  EXPECT_EQ(std::tuple(report->frequency, report->mskRate, report->signalStrength, report->snr, report->stationId),
            std::tuple(300.5, 200, 44, 17, 613));
  EXPECT_EQ(ParseStationReport("$PCSI,CS0,PASS,1,300.5,A,200,B,44,17,C,5")->stationId, 0) << "short: no station";
  EXPECT_EQ(ParseAcknowledgement("$PCSI,ACK,GPMSK*02")->acknowledged, "GPMSK");
  // Our own sentences coming back are told apart from what a receiver says.
  EXPECT_EQ(KindOf("$PCSI,CS1,0"), SentenceKind::Other);
  // The receiver's report of its tune reads as the tune does, but is not taken for ours.
  const TuneCommand tune{300.0, 200, 1};
  EXPECT_EQ(FormatTuneReport(tune), "$CRMSK,300.0,M,200,M,1");
  EXPECT_EQ(ParseTuneReport(WithChecksum(FormatTuneReport(tune))), tune);
  EXPECT_EQ(ParseTuneReport("$CRMSK,290.0,A,100,A,0"), (TuneCommand{{}, {}, 0}));
  EXPECT_EQ(ParseTune("$CRMSK,300.0,M,200,M,1"), std::nullopt);
  EXPECT_EQ(ParseTuneReport("$GPMSK,300.0,M,200,M,1"), std::nullopt);
  EXPECT_EQ(QueriedSentence("$GPCRQ,MSS,1"), "");
}

// The graphical program runs in the user's locale, where the decimal point may be a comma; the
// receiver's sentences must not follow it. In the C locale these cases would pass whatever the
// code does, so a missing comma locale fails them (scripts/lib.sh generates it on Linux; Windows
// and Wine have theirs built in).
class CommaLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"de_DE.UTF-8", "German_Germany.1252"}) {
      if (std::setlocale(LC_ALL, name) != nullptr) break;
    }
    ASSERT_EQ(*std::localeconv()->decimal_point, ',')
        << "No locale with a decimal comma: generate de_DE.UTF-8 (as root: localedef -i de_DE -f UTF-8 "
           "de_DE.UTF-8, or uncomment it in /etc/locale.gen and run locale-gen).";
  }
  void TearDown() override { std::setlocale(LC_ALL, saved_.c_str()); }
  const std::string saved_ = std::setlocale(LC_ALL, nullptr);
};

TEST_F(CommaLocale, TuneSentences) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    const char* legend;
    TuneCommand tune;
    std::string expected;
  } cases[] = {
      {"automatic", {{}, {}, 1}, "$GPMSK,,A,,A,1"},
      {"automatic, interval 101", {{}, {}, 101}, ""},
      {"manual", {283.5, 100, 0}, "$GPMSK,283.5,M,100,M,0"},
      {"padded to five characters", {50.0, 100, 1}, "$GPMSK, 50.0,M,100,M,1"},
      {"too long for the sentence", {1e300, 200, 1}, ""},
      {"not a number", {nan, 200, 1}, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatTune(c.tune), c.expected) << c.legend;
    if (!c.expected.empty()) {
      EXPECT_EQ(ParseTune(c.expected), c.tune) << c.legend << ": the receiver reads it back";
    }
  }
}

TEST_F(CommaLocale, FieldReaders) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const struct {
    std::string_view field;
    std::int32_t integer;
    double real;
  } cases[] = {
      {" \t-7", -7, -7.0},
      {"300.5", 300, 300.5},
      {"12.5kHz", 12, 12.5},
      {"abc", 0, 0.0},
      {"99999999999999999999", kMax, 1e20},
      {"nan", 0, 0.0},
      {"inf", 0, 0.0},
      {"1e999", 1, 0.0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadInt(c.field), c.integer) << c.field;
    EXPECT_EQ(ReadReal(c.field), c.real) << c.field;
  }
  EXPECT_EQ(SplitFields("$CRMSS,a,,b*00"), (std::vector<std::string_view>{"a", "", "b"}));
  EXPECT_EQ(SplitFields("$CRMSS,a,"), (std::vector<std::string_view>{"a"}));
}

}  // namespace
}  // namespace skylark

#include <gtest/gtest.h>

#include "sim/sentence.h"
#include "sim/sim_line.h"

namespace skylark::sim {
namespace {

TEST(SimSentence, FinishAppendsChecksumAndLineEnd) {
  const struct {
    const char* sentence;
    const char* wire;
  } cases[] = {
      // A published NMEA example with its known checksum.
      {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,",
       "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"},
      {"$PCSI,ACK,GPMSK", "$PCSI,ACK,GPMSK*02\r\n"},
      {"$CRMSS,42,15,300.0,200", "$CRMSS,42,15,300.0,200*41\r\n"},
      {"$", "$*00\r\n"},  // two upper-case digits even for a zero sum
  };
  for (const auto& c : cases) EXPECT_EQ(Finish(c.sentence), c.wire) << c.sentence;
}

TEST(SimSentence, StripChecksum) {
  const struct {
    const char* line;
    std::optional<std::string_view> result;
  } cases[] = {
      {"$GPMSK,300.0,M,200,M,1", "$GPMSK,300.0,M,200,M,1"},  // none: taken as it is
      {"$PCSI,ACK,GPMSK*02", "$PCSI,ACK,GPMSK"},
      {"$GPMSK,,A,,A,1*5f", "$GPMSK,,A,,A,1"},      // lower-case digits
      {"$CRMSS,42,15,300.0,200*5A", std::nullopt},  // wrong
      {"$PCSI,1*ZZ", "$PCSI,1*ZZ"},                 // not a checksum, left for the parser to refuse
  };
  for (const auto& c : cases) EXPECT_EQ(StripChecksum(c.line), c.result) << c.line;
}

TEST(SimSentence, ParseMsk) {
  using F = std::optional<double>;
  using R = std::optional<int>;
  const struct {
    const char* sentence;
    std::optional<MskCommand> result;
  } cases[] = {
      {"$GPMSK,300.0,M,200,M,1", MskCommand{F(300.0), R(200), 1}},
      {"$GPMSK,,A,,A,100", MskCommand{F(), R(), 100}},
      {"$GPMSK, 50.0,M,100,M,0", MskCommand{F(50.0), R(100), 0}},  // "%5.1f" pads with blanks
      {"$GPMSK,283.5,M,,A,5", MskCommand{F(283.5), R(), 5}},
      {"$GPMSK,300.0,A,200,A,1", MskCommand{F(), R(), 1}},  // automatic fields not used
      {"$GPMSK,300.0,M,200,M,101", std::nullopt},           // interval above 100
      {"$GPMSK,300.0,M,200,M,-1", std::nullopt},
      {"$GPMSK,300.0,M,200,M,", std::nullopt},
      {"$GPMSK,,M,200,M,1", std::nullopt},  // manual frequency missing
      {"$GPMSK,300.0,M,,M,1", std::nullopt},
      {"$GPMSK,300.0,M,0,M,1", std::nullopt},
      {"$GPMSK,30x.0,M,200,M,1", std::nullopt},
      {"$GPMSK,-300.0,M,200,M,1", std::nullopt},
      {"$GPMSK,inf,M,200,M,1", std::nullopt},
      {"$GPMSK,300.0,X,200,M,1", std::nullopt},
      {"$GPMSK,300.0,M,200,M", std::nullopt},  // field count
      {"$GPMSK,300.0,M,200,M,1,0", std::nullopt},
      {"$GPMSX,300.0,M,200,M,1", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseMsk(c.sentence), c.result) << c.sentence;
}

TEST(SimSentence, ParseCommand) {
  const struct {
    const char* line;
    CommandKind kind;
  } cases[] = {
      {"$GPMSK,300.0,M,200,M,1", CommandKind::Tune},
      {"$GPMSK,300.0,M,200,M,1*40", CommandKind::Tune},
      {"$GPMSK,300.0,M,200,M,1*00", CommandKind::Ignored},  // bad checksum
      {"\x01\xff~$GPMSK,,A,,A,1", CommandKind::Tune},       // noise before the sentence
      {"$PCSI,1", CommandKind::StatusRequest},
      {"$PCSI,1,0", CommandKind::StatusStop},
      {"$PCSI,1,1", CommandKind::Ignored},
      {"$PCSI,10", CommandKind::Ignored},
      {"PCSI,1", CommandKind::Ignored},
      {"", CommandKind::Ignored},
      {"$GPMSK,300.0,M,200,M,1$",
       CommandKind::Ignored},  // a new sentence starts: the old one is lost
  };
  for (const auto& c : cases) EXPECT_EQ(ParseCommand(c.line).kind, c.kind) << c.line;
}

TEST(SimSentence, LineAssemblerCutsAndBounds) {
  LineAssembler assembler;
  // Pieces arrive split anywhere; CR LF gives one line, blank lines none.
  EXPECT_TRUE(assembler.Feed("$PCSI").empty());
  auto lines = assembler.Feed(",1\r\n\r\n$GPMSK,,A,,A,1\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "$PCSI,1");
  EXPECT_EQ(lines[1].text, "$GPMSK,,A,,A,1");

  // A line of exactly the bound is kept; one byte more drops the whole line and nothing after it
  // until its end leaks into the next line.
  lines = assembler.Feed(std::string(LineAssembler::kMaxLine, 'a') + "\r");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text.size(), LineAssembler::kMaxLine);
  lines = assembler.Feed(std::string(10000, 'b') + "$PCSI,1\n$PCSI,1\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0].overflowed);
  EXPECT_TRUE(lines[0].text.empty());
  EXPECT_EQ(lines[1].text, "$PCSI,1");
}

TEST(SimSentence, EscapeShowsEveryByteReadably) {
  EXPECT_EQ(Escape("$PCSI,1"), "$PCSI,1");
  EXPECT_EQ(Escape(std::string("a\0\xff\\\r", 5)), "a\\x00\\xFF\\x5C\\x0D");
}

TEST(SimPacer, SpacesBytesAtTheLineRate) {
  using namespace std::chrono;
  const auto t0 = Pacer::Clock::time_point{} + seconds(100);
  Pacer pacer(Pacer::kByteTime4800);
  EXPECT_EQ(Pacer::kByteTime4800, nanoseconds(2'083'333));
  pacer.Begin(t0);
  EXPECT_EQ(pacer.Due(t0, 80), 1u);
  pacer.Sent(1);
  EXPECT_EQ(pacer.Due(t0 + microseconds(2000), 80), 0u);
  // Waking late sends what the line would have carried meanwhile, no more.
  EXPECT_EQ(pacer.Due(t0 + microseconds(10'500), 80), 5u);
  pacer.Sent(79);
  EXPECT_EQ(pacer.NextFree(), t0 + Pacer::kByteTime4800 * 80);  // 80 bytes: about 167 ms
  // After an idle spell output starts afresh instead of in a burst.
  pacer.Begin(t0 + seconds(5));
  EXPECT_EQ(pacer.Due(t0 + seconds(5), 80), 1u);

  Pacer unpaced(nanoseconds(0));
  EXPECT_EQ(unpaced.Due(t0, 80), 80u);
}

}  // namespace
}  // namespace skylark::sim

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "receiver/receiver_monitor.h"

namespace skylark {
namespace {

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

constexpr std::string_view kStatus = "$CRMSS,42,15,300.0,200,0*5D\r\n";
constexpr std::u16string_view kStatusText = u"$CRMSS,42,15,300.0,200,0*5D";

TEST(SentenceAssembly, OneSentenceSplitAtAnyPointOrTwoGivesTheSameLine) {
  const std::string text(kStatus);
  for (std::size_t i = 1; i < text.size(); ++i) {
    EXPECT_EQ(Assemble({text.substr(0, i), text.substr(i)}), Lines{std::u16string(kStatusText)}) << "split at " << i;
    for (std::size_t j = i + 1; j < text.size(); ++j) {
      ASSERT_EQ(Assemble({text.substr(0, i), text.substr(i, j - i), text.substr(j)}),
                Lines{std::u16string(kStatusText)})
          << "split at " << i << " and " << j;
    }
  }
  std::vector<std::string> bytes;
  for (char c : text) bytes.emplace_back(1, c);
  EXPECT_EQ(Assemble(bytes), Lines{std::u16string(kStatusText)});
}

TEST(SentenceAssembly, Table) {
  struct Case {
    const char* legend;
    std::vector<std::string> reads;
    Lines expected;
  };
  const std::string longRun = "$" + std::string(600, 'A') + "\r\n";
  const std::vector<Case> cases = {
      {"two sentences in one read", {"$PCSI,ACK\r\n$CRMSS,1,2\r\n"}, {u"$PCSI,ACK", u"$CRMSS,1,2"}},
      {"a space cuts the rest of its piece only", {"$PCSI,AB CDEFGHIJKLMNOPQRS\r\n"}, {u"$PCSI,ABIJKLMNOPQRS"}},
      {"two LFs queue an empty line", {"$PCSI,ACK\n\n"}, {u"$PCSI,ACK", u""}},
      {"a '$' inside a piece ends the sentence before it", {"$PCSI,A$PCSI,ACK\r\n"}, {u"$PCSI,A", u"$PCSI,ACK"}},
      {"a '$' opening a read ends the text gathered without LF", {"$CRMSS,1,2", "$PCSI,ACK\r\n"},
       {u"$CRMSS,1,2", u"$PCSI,ACK"}},
      {"a '$' after 15 stored characters ends the text gathered", {"$CRMSS,11,22,33$PCSI,ACK\n"},
       {u"$CRMSS,11,22,33", u"$PCSI,ACK"}},
      {"a '$' opening a read after a finished sentence queues nothing extra", {"$PCSI,ACK\r\n", "$PCSI,ACK\r\n"},
       {u"$PCSI,ACK", u"$PCSI,ACK"}},
      {"control bytes and high bytes never reach a line", {"$PC\x01SI\r\n", "$\x80\xff" "AB\r\n"}, {u"$PC", u"$"}},
      {"a long run is cut at 511 characters", {longRun}, {u"$" + std::u16string(510, u'A')}},
      {"no LF: nothing queued yet", {"$PCSI,ACK"}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Assemble(c.reads), c.expected) << c.legend;
}

TEST(SentenceAssembly, QueuedTextIsAlwaysPrintable) {
  std::string noise;
  for (int i = 0; i < 4096; ++i) noise.push_back(static_cast<char>((i * 37 + i / 7) & 0xFF));
  std::vector<std::string> reads;
  for (std::size_t at = 0; at < noise.size(); at += 13) reads.push_back(noise.substr(at, 13));
  for (const std::u16string& line : Assemble(reads)) {
    EXPECT_LT(line.size(), SentenceAssembler::kPendingSize);
    for (char16_t c : line) ASSERT_TRUE(c >= 0x21 && c <= 0x7F) << static_cast<int>(c);
  }
}

}  // namespace
}  // namespace skylark

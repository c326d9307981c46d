#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/receiver_state.h"
#include "app/signal_log.h"
#include "resources/strings.h"

namespace skylark {
namespace {

using namespace std::chrono_literals;

TEST(ReceiverState, TheFirstFactThatHoldsNamesIt) {
  const struct {
    ReceiverFacts facts;
    const char16_t* expected;
  } cases[] = {
      {{.reconnecting = true, .portOpen = false}, u"Reconnecting"},
      {{.portOpen = false, .heardSinceOpen = true, .locked = true}, u"Port Closed"},
      {{.portOpen = true, .tuning = true, .heardSinceOpen = true, .locked = true}, u"Tuning"},
      {{.portOpen = true}, u"No Status"},
      {{.portOpen = true, .heardSinceOpen = true, .stale = true, .locked = true}, u"No Data"},
      {{.portOpen = true, .heardSinceOpen = true, .locked = true}, u"Receiving"},
      {{.portOpen = true, .heardSinceOpen = true}, u"Searching"},
  };
  for (const auto& c : cases) EXPECT_EQ(StateText(StateOf(c.facts)), c.expected) << resources::ToUtf8(c.expected);
}

// RFC 4180 as a spreadsheet reads it: quoted fields may hold commas, doubled quotes and line ends.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        rows.back().back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        rows.back().back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().emplace_back();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      rows.emplace_back(1);
      ++i;
    } else {
      rows.back().back() += c;
    }
  }
  rows.pop_back();  // after the last CR LF
  return rows;
}

class SignalLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("skylark-log-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::u16string PathOf(const char* name) const { return (dir_ / name).u16string(); }
  std::string Contents(const char* name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
  }

  std::filesystem::path dir_;
};

// Rows read back equal to what was written, a second log on the same file adds to it under the
// one header, and names that need quoting survive.
TEST_F(SignalLogTest, RowsReadBackAsWrittenAndAReopenedLogAppends) {
  const auto start = std::chrono::sys_days{std::chrono::December / 6 / 2026} + 23h + 58min + 1s + 250ms;
  const SignalLogRow rows[] = {
      {start, u"Receiving", u"Blåvandshuk", 705, 290.0, 100, true, 60, 20},
      {start + 1s, u"Searching", u"Cap \"Nord\", Pointe", 0, 313.5, 200, false, 12, 3},
  };
  auto log = SignalLog::Open(PathOf("route.csv"));
  ASSERT_TRUE(log);
  ASSERT_TRUE(log->Write(rows[0]));
  log = SignalLog::Open(PathOf("route.csv"));
  ASSERT_TRUE(log->Write(rows[1]));
  EXPECT_EQ(log->Rows(), 1u);

  const auto parsed = ParseCsv(Contents("route.csv"));
  const std::vector<std::vector<std::string>> expected = {
      {"utc", "state", "site", "station_id", "frequency_khz", "msk_rate", "locked", "signal_strength", "snr"},
      {"2026-12-06T23:58:01.250Z", "Receiving", "Bl\xC3\xA5vandshuk", "705", "290.0", "100", "Yes", "60", "20"},
      {"2026-12-06T23:58:02.250Z", "Searching", "Cap \"Nord\", Pointe", "0", "313.5", "200", "No", "12", "3"},
  };
  EXPECT_EQ(parsed, expected);
}

TEST_F(SignalLogTest, ADirectoryIsNoLog) { EXPECT_EQ(SignalLog::Open(dir_.u16string()), nullptr); }

}  // namespace
}  // namespace skylark

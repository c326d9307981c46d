#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

class SignalLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Contents() const {
    std::ostringstream all;
    all << std::ifstream(dir_ / "route.csv", std::ios::binary).rdbuf();
    return all.str();
  }

  const std::filesystem::path dir_ = std::filesystem::temp_directory_path() /
      ("skylark-log-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
       ::testing::UnitTest::GetInstance()->current_test_info()->name());
  const std::u16string log_ = (dir_ / "route.csv").u16string();
};

// Rows read back equal to what was written, a second log on the same file adds to it under the
// one header, and names that need quoting survive.
TEST_F(SignalLogTest, RowsReadBackAsWrittenAndAReopenedLogAppends) {
  const auto start = std::chrono::sys_days{std::chrono::December / 6 / 2026} + 23h + 58min + 1s + 250ms;
  const SignalLogRow rows[] = {
      {start, u"Receiving", u"Blåvandshuk", 705, 290.0, 100, true, 60, 20},
      {start + 1s, u"Searching", u"Cap \"Nord\", Pointe", 0, 313.5, 200, false, 12, 3},
  };
  auto log = SignalLog::Open(log_);
  ASSERT_TRUE(log);
  ASSERT_TRUE(log->Write(rows[0]));
  log.reset();  // a recording stopped, then another started on the same file
  log = SignalLog::Open(log_);
  ASSERT_TRUE(log);
  ASSERT_TRUE(log->Write(rows[1]));
  EXPECT_EQ(log->Rows(), 1u);

  // As a spreadsheet reads it: CR LF rows, a field with a comma or quote quoted, its quotes doubled.
  EXPECT_EQ(Contents(),
            "utc,state,site,station_id,frequency_khz,msk_rate,locked,signal_strength,snr\r\n"
            "2026-12-06T23:58:01.250Z,Receiving,Bl\xC3\xA5vandshuk,705,290.0,100,Yes,60,20\r\n"
            "2026-12-06T23:58:02.250Z,Searching,\"Cap \"\"Nord\"\", Pointe\",0,313.5,200,No,12,3\r\n");
}

TEST_F(SignalLogTest, ADirectoryIsNoLog) { EXPECT_EQ(SignalLog::Open(dir_.u16string()), nullptr); }

}  // namespace
}  // namespace skylark

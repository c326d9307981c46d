#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "tests/support/pty.h"
#include "tests/support/sim_process.h"
#include "tests/support/xdg_dirs_posix.h"

namespace {

struct CliRun {
  int status = -1;
  std::string out;
};

// Runs skylark-cli as a user would, in this process's (temporary) directories.
CliRun Cli(const std::string& arguments) {
  CliRun run;
  const std::string command = SKYLARK_BINARY_DIR "/cli/skylark-cli " + arguments + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) run.out += buffer;
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

const std::string kSites = "--sites " SKYLARK_SOURCE_DIR "/data/DGPSSites.csv";

class CliTest : public ::testing::Test {
 protected:
  skylark::testing::ScopedXdgDirs dirs_;
  skylark::testing::SimProcess sim_;
};

TEST_F(CliTest, TuneBySiteByStationAndByFrequency) {
  ASSERT_TRUE(sim_.Start({"--no-pacing", "--hear", "306", "--settle-ms", "200"}));
  struct Case {
    std::string arguments;
    std::string sentence;
  };
  const Case cases[] = {
      {"--frequency 300 --rate 200", "RX $GPMSK,300.0,M,200,M,1"},
      {"--station 306 --interval 0 " + kSites, "RX $GPMSK,300.0,M,200,M,0"},
  };
  for (const Case& c : cases) {
    const CliRun run = Cli("tune --port COM4: " + c.arguments);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, "Beacon Tuned Successfully!\n");
    EXPECT_TRUE(sim_.WaitForLog(c.sentence, std::chrono::milliseconds(100))) << sim_.Log();
  }
}

TEST_F(CliTest, FailuresAreReportedByTheExitStatus) {
  ASSERT_TRUE(sim_.Start({"--no-pacing", "--drop-ack"}));
  const CliRun unacknowledged = Cli("tune --port COM4: --auto");
  EXPECT_EQ(unacknowledged.status, 1);
  EXPECT_EQ(unacknowledged.out, "Beacon tuning failed. Check beacon port settings.\n");
  EXPECT_EQ(Cli("tune --port COM4: --site Europe/Nowhere/None " + kSites).status, 2);
  ASSERT_TRUE(skylark::testing::LinkPort(8, dirs_.Root() + "/absent"));  // never the machine's own port
  const CliRun closed = Cli("status --port COM8: --count 1");
  EXPECT_EQ(closed.status, 2);
  EXPECT_NE(closed.out.find("Failed to open port"), std::string::npos) << closed.out;
}

TEST_F(CliTest, StatusPrintsThePageTextsAfterEveryReading) {
  ASSERT_TRUE(sim_.Start({"--no-pacing", "--hear", "306", "--settle-ms", "0"}));
  ASSERT_EQ(Cli("tune --port COM4: --frequency 300 --rate 200").status, 0);
  const CliRun run = Cli("status --port COM4: --count 2 --json");
  ASSERT_EQ(run.status, 0) << run.out;
  std::size_t lines = 0;
  for (std::size_t at = 0, end; (end = run.out.find('\n', at)) != std::string::npos; at = end + 1, ++lines) {
    const auto reading = nlohmann::json::parse(run.out.substr(at, end - at));
    EXPECT_EQ(reading.at("frequency"), "300.0 kHz");
    EXPECT_EQ(reading.at("msk_rate"), "200 bps");
    EXPECT_EQ(reading.at("locked"), "Yes");
    EXPECT_EQ(reading.at("site"), "None");
  }
  EXPECT_EQ(lines, 2u);
}

TEST_F(CliTest, ScanListsThePortsThatOpen) {
  ASSERT_TRUE(sim_.Start({"--no-pacing"}));
  // Every other name leads nowhere, so the machine's own serial ports are never touched.
  for (int n : {1, 2, 3, 5, 6, 7, 8, 9}) ASSERT_TRUE(skylark::testing::LinkPort(n, dirs_.Root() + "/absent"));
  const CliRun run = Cli("scan");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "COM4: both\n");
}

}  // namespace

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/sites/site_test_files.h"

namespace skylark {
namespace {

using testing::TempDir;

const std::string kDataDir = SKYLARK_SOURCE_DIR "/data";

struct CliRun {
  int status = -1;
  std::vector<std::string> lines;  // stdout
  std::string errors;              // stderr
};

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs skylark-cli in `workDir` with an extra environment prefix such as "SystemRoot=/x".
CliRun RunCli(const std::string& arguments, const std::filesystem::path& workDir = ".",
           const std::string& environment = "SystemRoot=") {
  TempDir capture;
  const auto out = capture.Path() / "out";
  const auto err = capture.Path() / "err";
  const std::string command = "cd '" + workDir.string() + "' && env " + environment + " '" +
                              SKYLARK_BINARY_DIR "/cli/skylark-cli' " + arguments + " >'" +
                              out.string() + "' 2>'" + err.string() + "'";
  const int raw = std::system(command.c_str());
  CliRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::istringstream lines(Slurp(out));
  for (std::string line; std::getline(lines, line);) run.lines.push_back(line);
  run.errors = Slurp(err);
  return run;
}

TEST(SitesCommand, JsonGivesOneObjectPerAcceptedSiteInFileOrder) {
  const CliRun run = RunCli("sites --json '" + kDataDir + "/DGPSSites.csv'");
  ASSERT_EQ(run.status, 0) << run.errors;
  ASSERT_EQ(run.lines.size(), 364u);
  const auto first = nlohmann::ordered_json::parse(run.lines.front());
  std::vector<std::string> keys;
  for (const auto& item : first.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"region", "country", "beacon", "msk_rate", "frequency_khz",
                                            "station_id", "station_id2"}));
  EXPECT_EQ(first["beacon"], "Abu Zaby");
  EXPECT_EQ(first["station_id"], 486);
  bool sawGoteborg = false;
  for (const auto& line : run.lines) {
    const auto site = nlohmann::json::parse(line);
    if (site["beacon"] == "G\xC3\xB6teborg") {
      sawGoteborg = true;
      EXPECT_EQ(site["country"], "Kingdom of Sweden");
      EXPECT_EQ(site["frequency_khz"], 296.5);
      EXPECT_EQ(site["msk_rate"], 100);
    }
  }
  EXPECT_TRUE(sawGoteborg);
}

TEST(SitesCommand, ExitStatusSaysWhatWasFound) {
  TempDir empty;
  TempDir blocked;
  std::filesystem::create_directory(blocked.Path() / "dgpssites.csv");
  const std::string kMessage = "Could not open Beacon Site file.";
  const struct {
    std::string arguments;
    int status;
    std::size_t lines;
    std::string firstLine;  // its start
    bool message;
  } cases[] = {
      {"sites --json --find-id 486 '" + kDataDir + "'", 0, 1, "{\"region\":\"Europe\"", false},
      {"sites --find-id 950 '" + kDataDir + "'", 0, 3, "Region", false},
      {"sites '" + kDataDir + "'", 0, 366, "Region", false},
      {"sites --find-id 0 '" + kDataDir + "'", 1, 0, "", false},
      {"sites --find-id 1234 '" + kDataDir + "'", 1, 0, "", false},
      {"sites '" + (empty.Path() / "missing.csv").string() + "'", 2, 0, "", true},
      {"sites '" + empty.Path().string() + "'", 2, 0, "", false},
      {"sites '" + blocked.Path().string() + "'", 2, 0, "", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const CliRun run = RunCli(c.arguments);
    EXPECT_EQ(run.status, c.status) << run.errors;
    ASSERT_EQ(run.lines.size(), c.lines);
    if (c.lines > 0) {
      EXPECT_EQ(run.lines.front().rfind(c.firstLine, 0), 0u) << run.lines.front();
    }
    EXPECT_EQ(run.errors.find(kMessage) != std::string::npos, c.message) << run.errors;
  }
  const CliRun table = RunCli("sites '" + kDataDir + "'");
  EXPECT_EQ(table.lines.back(), "364 sites");
}

// Without a path: the current directory, and the system root only when that loaded nothing.
TEST(SitesCommand, SearchesTheCurrentDirectoryThenTheSystemRoot) {
  TempDir here;
  TempDir root;
  root.Write("DGPSSites.csv", "Europe,X,Root,100,300000,1\r\n");
  TempDir local;
  local.Write("DGPSSites.csv", "Europe,X,Local,100,300000,1\r\n");
  TempDir blocked;
  std::filesystem::create_directory(blocked.Path() / "DGPSSites.csv");
  const std::string systemRoot = "SystemRoot='" + root.Path().string() + "'";
  const struct {
    const char* name;
    std::filesystem::path workDir;
    std::string beacon;
    int messages;
  } cases[] = {
      {"found here", local.Path(), "Local", 0},
      {"not here", here.Path(), "Root", 0},
      {"not openable here", blocked.Path(), "Root", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CliRun run = RunCli("sites --json", c.workDir, systemRoot);
    EXPECT_EQ(run.status, 0) << run.errors;
    ASSERT_EQ(run.lines.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(run.lines[0])["beacon"], c.beacon);
    EXPECT_EQ(run.errors.empty(), c.messages == 0) << run.errors;
  }
}

}  // namespace
}  // namespace skylark

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "app/application.h"
#include "tests/support/sim_process.h"
#include "tests/support/xdg_dirs_posix.h"

namespace skylark {
namespace {

using namespace std::chrono_literals;

class CountingNotifications final : public Notifications {
 public:
  void PostSiteChanged() override { ++siteChanged; }
  void PostStatusChanged() override { ++statusChanged; }
  std::atomic<int> siteChanged{0};
  std::atomic<int> statusChanged{0};
};

// The simulator answers at once (no pacing), but the reader takes 16 bytes per 100 ms, so an
// 80-byte status line needs about 500 ms to be queued: the 2000 ms reply pauses are cut to
// 1000 ms, never less.
void ShortSleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration >= 1000ms ? 1000ms : duration);
}

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds wait) {
  for (auto deadline = std::chrono::steady_clock::now() + wait; std::chrono::steady_clock::now() < deadline;) {
    if (condition()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return condition();
}

// The whole application (both threads, the site file) against the simulated receiver on COM4:.
class ReceiverSessionTest : public ::testing::Test {
 protected:
  void StartWith(const std::vector<std::string>& simArgs) {
    ASSERT_TRUE(sim_.Start(simArgs));
    ApplicationOptions options;
    options.notifications = &posted_;
    options.firstSiteDirectory = std::u16string(u"" SKYLARK_SOURCE_DIR "/data");
    options.sleeper = ShortSleep;
    app_ = std::make_unique<Application>(std::move(options));
    app_->Start();
    ASSERT_GT(app_->Catalogue().Count(), 300u);
    ASSERT_TRUE(app_->Link().InputPort()->Open(u"COM4:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite,
                                               &platform::kReceiverTimeouts));
  }

  void TearDown() override {
    if (app_) app_->StopThreads();
    sim_.Stop();
  }

  testing::ScopedXdgDirs dirs_;
  testing::SimProcess sim_;
  CountingNotifications posted_;
  std::unique_ptr<Application> app_;
};

TEST_F(ReceiverSessionTest, AutomaticTuneIdentifiesTheStationAndFollowsTheLock) {
  StartWith({"--no-pacing", "--hear", "306", "--scan-ms", "200"});
  app_->SetTuneMode(kTuneAutomatic);
  ASSERT_TRUE(app_->Tune(1));
  app_->SetActivePage(kStatusPage);
  ASSERT_TRUE(WaitFor([&] { return app_->CurrentSite().StationId == 306; }, 10s));
  EXPECT_TRUE(sim_.WaitForLog("RX $PCSI,1", 100ms));
  EXPECT_EQ(app_->CurrentSite().Beacon, u"Sandspit");
  ASSERT_TRUE(WaitFor([&] { return app_->Status().locked; }, 5s));
  const int sitePosts = posted_.siteChanged;

  ASSERT_TRUE(sim_.Send("snr 306 3"));
  ASSERT_TRUE(WaitFor([&] { return !app_->Status().locked; }, 10s));
  EXPECT_GT(posted_.siteChanged, sitePosts);
  EXPECT_EQ(app_->CurrentSite().Frequency, 0.0);  // automatic mode follows the receiver
  EXPECT_EQ(app_->CurrentSite().StationId, 306);
  EXPECT_GT(posted_.statusChanged, 0);
}

TEST_F(ReceiverSessionTest, TuneBySiteThenShutdownStopsTheStatusOutputAndRetunes) {
  StartWith({"--no-pacing", "--hear", "306", "--settle-ms", "200"});
  const BeaconSite* site = app_->Catalogue().FindByStationId(306);
  ASSERT_NE(site, nullptr);
  app_->SetCurrentSite(*site);
  app_->SetTuneMode(kTuneBySite);
  ASSERT_TRUE(app_->Tune(1));
  app_->Shutdown();
  EXPECT_FALSE(app_->IsLinkOpen());
  EXPECT_EQ(app_->Catalogue().Count(), 0u);
  const std::string log = sim_.Log();
  const auto stop = log.find("RX $PCSI,1,0");
  const auto retune = log.find("RX $GPMSK,300.0,M,200,M,0");
  ASSERT_NE(stop, std::string::npos) << log;
  ASSERT_NE(retune, std::string::npos) << log;
  EXPECT_LT(log.find("RX $GPMSK,300.0,M,200,M,1"), stop);
  EXPECT_LT(stop, retune);
}

TEST_F(ReceiverSessionTest, ASilentReceiverPostsNoStatus) {
  StartWith({"--no-pacing", "--silence"});
  app_->SetActivePage(kStatusPage);
  std::this_thread::sleep_for(1500ms);  // at least one poll's whole reply wait
  EXPECT_EQ(posted_.statusChanged, 0);
  EXPECT_FALSE(app_->Status().locked);
}

}  // namespace
}  // namespace skylark

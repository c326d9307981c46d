// The application against a receiver that misbehaves: unplugged mid-operation, noisy, or
// acknowledging everything. Whatever happens, nothing crashes, nothing wrong is shown as
// current, and the user can open the port again and carry on.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
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

// The simulator answers at once, but the reader takes only 16 bytes per 100 ms pass: the 2000 ms
// pauses after a command shrink to 1000 ms, room for 160 bytes of answer and noise, and each
// 200 ms reply pass to 50 ms.
void ShortSleep(std::chrono::milliseconds duration) {
  if (duration >= 1000ms) {
    std::this_thread::sleep_for(1000ms);
  } else {
    std::this_thread::sleep_for(duration >= 200ms ? 50ms : duration);
  }
}

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds wait = 3s) {
  for (const auto deadline = std::chrono::steady_clock::now() + wait; !condition();) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

// Station 306 of the simulator's list, as a site of the catalogue.
constexpr std::uint16_t kStation = 306;

class ReceiverFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    ApplicationOptions options;
    options.notifications = &posted_;
    options.searchSiteFile = false;
    options.sleeper = ShortSleep;
    app_ = std::make_unique<Application>(std::move(options));
    auto site = std::make_unique<BeaconSite>();
    site->Region = u"Europe";
    site->Country = u"Examplia";
    site->Beacon = u"Harbour Point";
    site->MskRate = 200;
    site->Frequency = 300.0;
    site->StationId = kStation;
    app_->Catalogue().AddSite(std::move(site));
    app_->Monitor().Attach(&app_->Link());
    app_->Monitor().StartReader();
  }

  void TearDown() override { app_->StopThreads(); }

  bool StartReceiver(std::vector<std::string> extra = {}) {
    sim_ = std::make_unique<testing::SimProcess>();
    std::vector<std::string> args = {"--no-pacing", "--hear", "306:20:60", "--settle-ms", "0", "--scan-ms", "0"};
    args.insert(args.end(), extra.begin(), extra.end());
    return sim_->Start(args);
  }

  bool OpenPort() {
    return app_->Link().InputPort()->Open(u"COM4:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite,
                                          &platform::kReceiverTimeouts);
  }

  void TuneBySite() {
    app_->SetTuneMode(kTuneBySite);
    app_->SetCurrentSite(*app_->Catalogue().FindByStationId(kStation));
  }

  testing::ScopedXdgDirs dirs_;
  CountingNotifications posted_;
  std::unique_ptr<Application> app_;
  std::unique_ptr<testing::SimProcess> sim_;
};

TEST_F(ReceiverFaults, UnpluggedWhileTuningFailsTheTuneAndReopeningWorks) {
  ASSERT_TRUE(StartReceiver({"--drop-ack"}));
  ASSERT_TRUE(OpenPort());
  TuneBySite();
  auto tune = std::async(std::launch::async, [this] { return app_->Tune(1); });
  ASSERT_TRUE(sim_->WaitForLog("RX $GPMSK,300.0,M,200,M,1", 2s));
  ASSERT_TRUE(sim_->Send("hangup"));
  EXPECT_FALSE(tune.get()) << "a tune nobody acknowledged is not reported as done";
  EXPECT_TRUE(WaitFor([this] { return !app_->IsLinkOpen(); })) << "the reader notices the hang-up";
  EXPECT_EQ(app_->CurrentSite().StationId, kStation) << "the chosen site is kept for the next try";
  EXPECT_FALSE(app_->Tune(1));

  ASSERT_TRUE(StartReceiver());
  ASSERT_TRUE(OpenPort());
  EXPECT_TRUE(app_->Tune(1));
}

TEST_F(ReceiverFaults, UnpluggedWhilePollingStopsThePollsAndKeepsTheLastValues) {
  ASSERT_TRUE(StartReceiver());
  ASSERT_TRUE(OpenPort());
  TuneBySite();
  ASSERT_TRUE(app_->Tune(1));
  app_->SetActivePage(kStatusPage);

  // The status thread's part: poll until the line is gone.
  std::atomic<int> succeeded{0};
  auto polling = std::async(std::launch::async, [&] {
    while (app_->IsLinkOpen()) {
      if (app_->PollStatus()) ++succeeded;
    }
  });
  ASSERT_TRUE(WaitFor([&] { return succeeded > 0; }));
  ASSERT_TRUE(sim_->Send("hangup"));
  ASSERT_EQ(polling.wait_for(5s), std::future_status::ready);

  const int posted = posted_.statusChanged;
  EXPECT_FALSE(app_->PollStatus());
  EXPECT_EQ(posted_.statusChanged, posted) << "a closed port posts nothing";
  const ReceiverStatus status = app_->Status();
  EXPECT_TRUE(status.signalStrength == 60 || status.signalStrength == 0) << status.signalStrength;
  EXPECT_TRUE(status.snr == 20 || status.snr == 0) << status.snr;

  ASSERT_TRUE(StartReceiver());
  ASSERT_TRUE(OpenPort());
  ASSERT_TRUE(app_->Tune(1));
  EXPECT_TRUE(WaitFor([this] { return app_->PollStatus(); }, 5s));
  EXPECT_EQ(app_->Status().snr, 20);
  EXPECT_TRUE(app_->Status().locked);
}

TEST_F(ReceiverFaults, NoiseBetweenSentencesStillGivesTheRightValues) {
  ASSERT_TRUE(StartReceiver({"--garbage"}));
  ASSERT_TRUE(OpenPort());
  TuneBySite();
  EXPECT_TRUE(app_->Tune(1));
  app_->SetActivePage(kStatusPage);
  // Polls half a second apart, as the status thread makes them: a failed poll is allowed (it
  // posts nothing and changes nothing shown), a wrong value is not.
  int good = 0;
  for (const auto deadline = std::chrono::steady_clock::now() + 8s;
       good < 2 && std::chrono::steady_clock::now() < deadline;) {
    std::this_thread::sleep_for(500ms);
    if (!app_->PollStatus()) continue;
    ++good;
    const ReceiverStatus status = app_->Status();
    EXPECT_EQ(status.signalStrength, 60);
    EXPECT_EQ(status.snr, 20);
    EXPECT_DOUBLE_EQ(status.frequency, 300.0);
    EXPECT_EQ(status.mskRate, 200);
  }
  EXPECT_EQ(good, 2) << sim_->Log();
}

TEST_F(ReceiverFaults, AReceiverThatAcknowledgesEverythingStillIdentifiesTheStation) {
  ASSERT_TRUE(StartReceiver({"--ack-all"}));
  ASSERT_TRUE(OpenPort());
  app_->SetTuneMode(kTuneAutomatic);
  ASSERT_TRUE(app_->Tune(1));
  app_->SetActivePage(kStatusPage);
  ASSERT_TRUE(WaitFor([this] { return app_->PollStatus() && app_->Status().locked; }, 5s));
  ASSERT_TRUE(sim_->WaitForLog("RX $PCSI,1\n", 1s));
  const BeaconSite site = app_->CurrentSite();
  EXPECT_EQ(site.StationId, kStation) << "the acknowledgement of the status request is not a status line";
  EXPECT_EQ(site.Beacon, u"Harbour Point");
  EXPECT_DOUBLE_EQ(site.Frequency, 300.0);
  EXPECT_EQ(site.MskRate, 200) << sim_->Log();
}

}  // namespace
}  // namespace skylark

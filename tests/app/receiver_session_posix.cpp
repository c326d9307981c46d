// The application against the simulated receiver on "COM4:", also when it misbehaves: unplugged
// mid-operation, noisy, or acknowledging everything. Nothing crashes, nothing wrong is shown as
// current, and the user can open the port again and carry on.
#include <future>
#include <string>
#include <utility>
#include <vector>

#include "tests/app/app_fixture_posix.h"
#include "tests/support/sim_process.h"

namespace skylark {
namespace {

using namespace std::chrono_literals;

// Station 306 of the simulator's list, heard at SNR 20 and strength 60.
const BeaconSite kSite{u"Europe", u"Examplia", u"Harbour Point", 200, 300.0, 306};

// The simulator answers at once: the waits for an answer shrink to 1000 ms.
class ReceiverSession : public testing::ApplicationFixture {
 protected:
  void Begin(std::vector<std::string> simArgs, bool wholeApplication = false) {
    ASSERT_TRUE(StartReceiver(std::move(simArgs)));
    if (wholeApplication) {
      Create(1000ms, u"" SKYLARK_SOURCE_DIR "/data");
    } else {
      Create(1000ms);
      app_->SetCurrentSite(kSite);
      app_->SetTuneMode(kTuneBySite);
    }
    ASSERT_TRUE(OpenPort(u"COM4:"));
  }

  bool StartReceiver(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--no-pacing", "--hear",    "306:20:60", "--settle-ms",
                                     "0",           "--scan-ms", "0"};
    args.insert(args.end(), extra.begin(), extra.end());
    sim_ = std::make_unique<testing::SimProcess>();
    return sim_->Start(args);
  }

  // Station 306's readings reach the snapshot (again).
  bool Receiving() {
    app_->SetActivePage(kStatusPage);
    return testing::WaitFor(
        [this] { return testing::Values(app_->Status()) == ReceiverStatus{300.0, 200, 20, 60, true}; }, 5s);
  }

  std::unique_ptr<testing::SimProcess> sim_;
};

TEST_F(ReceiverSession, AutomaticTuneIdentifiesTheStationOncePerGainOfLock) {
  // The acknowledgement of the status request must not be taken for its answer.
  Begin({"--ack-all"}, true);
  ASSERT_GT(app_->Catalogue().Count(), 300u);
  app_->SetTuneMode(kTuneAutomatic);
  ASSERT_TRUE(app_->Tune(1));
  EXPECT_EQ(app_->CurrentSite(), (BeaconSite{u"", u"", u"Automatic"}));
  app_->SetActivePage(kStatusPage);
  ASSERT_TRUE(testing::WaitFor([&] { return app_->CurrentSite().Beacon == u"Sandspit"; }, 10s));
  EXPECT_EQ(app_->CurrentSite(), *app_->Catalogue().FindByStationId(306)) << sim_->Log();
  // Asked (the site could not be known otherwise) once per gain of lock, however many polls follow.
  const int polls = statusPosts_;
  ASSERT_TRUE(testing::WaitFor([&] { return statusPosts_ >= polls + 2; }, 5s));
  const std::string log = sim_->Log();
  EXPECT_EQ(log.find("RX $PCSI,1\n"), log.rfind("RX $PCSI,1\n")) << log;
}

TEST_F(ReceiverSession, TunesAreAcknowledgedAndShutdownStopsTheStatusOutputThenRetunes) {
  Begin({}, true);
  const std::pair<std::int32_t, std::u16string> modes[] = {
      {kTuneByFrequency, u"Selected by frequncy"}, {kTuneBySite, kSite.Beacon}, {7, kSite.Beacon}};
  for (const auto& [mode, beacon] : modes) {
    app_->SetCurrentSite(kSite);
    app_->SetTuneMode(mode);
    EXPECT_TRUE(app_->Tune(1)) << mode;
    EXPECT_EQ(app_->CurrentSite().Beacon, beacon) << mode;
    EXPECT_EQ(testing::Values(app_->Status()), (ReceiverStatus{300.0, 200, 0, 0, false})) << mode;
  }
  app_->Shutdown();
  EXPECT_FALSE(app_->IsLinkOpen());
  EXPECT_EQ(app_->Catalogue().Count(), 0u);
  const std::string log = sim_->Log();
  const auto stop = log.find("RX $PCSI,1,0");
  const auto retune = log.find("RX $GPMSK,300.0,M,200,M,0");
  ASSERT_NE(stop, std::string::npos) << log;
  ASSERT_NE(retune, std::string::npos) << log;
  EXPECT_LT(log.find("RX $GPMSK,300.0,M,200,M,1"), stop);
  EXPECT_LT(stop, retune);
}

TEST_F(ReceiverSession, UnpluggedWhileTuningFailsTheTuneAndReopeningWorks) {
  Begin({"--drop-ack"});
  auto tune = std::async(std::launch::async, [this] { return app_->Tune(1); });
  ASSERT_TRUE(sim_->WaitForLog("RX $GPMSK,300.0,M,200,M,1", 2s));
  ASSERT_TRUE(sim_->Send("hangup"));
  EXPECT_FALSE(tune.get()) << "a tune nobody acknowledged is not reported as done";
  EXPECT_TRUE(testing::WaitFor([this] { return !app_->IsLinkOpen(); }));
  EXPECT_EQ(app_->CurrentSite(), kSite) << "the chosen site is kept for the next try";
  EXPECT_EQ(sitePosts_, 2) << "the tune, then the lost port";
  ASSERT_TRUE(StartReceiver());
  ASSERT_TRUE(OpenPort(u"COM4:"));
  EXPECT_TRUE(app_->Tune(1));
  EXPECT_TRUE(Receiving());
}

// The state line through what the receiver does: nothing heard yet, a tune settling, a station
// locked, an empty channel searched, silence, an unplug, and the port closed.
TEST_F(ReceiverSession, TheStateFollowsWhatTheReceiverDoes) {
  reconnect_ = true;
  Begin({});
  app_->SetActivePage(kStatusPage);
  const auto reaches = [this](ReceiverState state, std::chrono::milliseconds wait = 5s) {
    return testing::WaitFor([&] { return app_->CurrentState() == state; }, wait);
  };
  EXPECT_EQ(app_->CurrentState(), ReceiverState::NoStatus);
  ASSERT_TRUE(app_->Tune(1));
  EXPECT_EQ(app_->CurrentState(), ReceiverState::Tuning) << "its first reading is a second away";
  EXPECT_TRUE(reaches(ReceiverState::Receiving));
  app_->SetCurrentSite(BeaconSite{u"", u"", u"", 200, 290.0, 0});
  app_->SetTuneMode(kTuneByFrequency);
  ASSERT_TRUE(app_->Tune(1));
  EXPECT_TRUE(reaches(ReceiverState::Searching));
  ASSERT_TRUE(sim_->Send("silence on"));
  EXPECT_TRUE(reaches(ReceiverState::NoData, 8s));
  ASSERT_TRUE(sim_->Send("hangup"));
  EXPECT_TRUE(reaches(ReceiverState::Reconnecting));
  app_->StopReconnecting();
  EXPECT_EQ(app_->CurrentState(), ReceiverState::PortClosed);
}

}  // namespace
}  // namespace skylark

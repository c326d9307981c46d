#include <string>

#include "platform/events.h"
#include "tests/app/app_fixture_posix.h"
#include "tests/support/pty.h"

namespace skylark {
namespace {

using namespace std::chrono_literals;

const BeaconSite kHoek{u"Europe", u"Netherlands", u"Hoek", 200, 290.0, 9};

// The test plays the receiver on the master end of a pseudo-terminal that "COM3:" leads to. Its
// answer is queued within a few reader passes of 100 ms: the pause after a command is cut to
// 300 ms.
class ApplicationTest : public testing::ApplicationFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing::LinkPort(3, pty_.SlavePath()));
    Create(300ms);
    app_->SetCurrentSite(kHoek);
    app_->SetActivePage(kStatusPage);
  }

  // Sends lines as the receiver, waits until the reader has queued them all, and polls.
  void Poll(const std::string& lines, std::size_t count, bool polled = true) {
    const std::size_t queued = app_->Monitor().QueuedLines() + count;
    ASSERT_TRUE(pty_.Send(lines));
    ASSERT_TRUE(testing::WaitFor([&] { return app_->Monitor().QueuedLines() >= queued; }));
    EXPECT_EQ(app_->PollStatus(), polled);
  }

  std::string Sent() { return pty_.Receive(4096, 200ms); }

  testing::PtyPair pty_;
};

TEST_F(ApplicationTest, TuneWithTheLinkClosedFailsAtOnceAndSendsNothing) {
  EXPECT_FALSE(app_->Tune(1));
  EXPECT_EQ(paused_, 0);
  EXPECT_EQ(sitePosts_, 0);
  EXPECT_EQ(app_->CurrentSite(), kHoek);
  ASSERT_TRUE(OpenPort(u"COM3:"));
  EXPECT_EQ(Sent(), "");
}

TEST_F(ApplicationTest, TuneByFrequencyNamesTheSiteEvenWhenTheCommandIsRefused) {
  ASSERT_TRUE(OpenPort(u"COM3:"));
  app_->SetTuneMode(kTuneByFrequency);
  EXPECT_FALSE(app_->Tune(101));  // the receiver takes intervals up to 100 only
  EXPECT_EQ(app_->CurrentSite().Beacon, u"Selected by frequncy");
  EXPECT_EQ(sitePosts_, 0);
  EXPECT_EQ(Sent(), "");
}

TEST_F(ApplicationTest, PollStatusOnlyOnTheStatusPage) {
  ASSERT_TRUE(OpenPort(u"COM3:"));
  for (std::int32_t page : {kConfigurationPage, kTunePage}) {
    app_->SetActivePage(page);
    Poll("$CRMSS,42,15,300.0,200*5A\r\n", 1, false);
  }
  EXPECT_EQ(app_->Monitor().QueuedLines(), 2u);  // nothing was read
  EXPECT_EQ(statusPosts_, 0);
  app_->SetActivePage(kStatusPage);
  EXPECT_TRUE(app_->PollStatus());
  EXPECT_EQ(statusPosts_, 1);
  EXPECT_EQ(testing::Values(app_->Status()), (ReceiverStatus{300.0, 200, 15, 42, true, {}}));
}

TEST_F(ApplicationTest, LockIsGainedAtSevenAndLostBelow) {
  struct Step {
    std::int32_t mode;
    int snr;
    bool locked;
    int sitePosts;
    double siteFrequency;
  };
  // Tuned by site the site stays as it is; in automatic mode it follows the receiver.
  const Step steps[] = {
      {kTuneBySite, 6, false, 0, 290.0},   {kTuneBySite, 7, true, 0, 290.0},
      {kTuneBySite, 9, true, 0, 290.0},    {kTuneBySite, 6, false, 1, 290.0},
      {kTuneAutomatic, 7, true, 1, 300.0}, {kTuneAutomatic, 6, false, 2, 0.0},
  };
  ASSERT_TRUE(OpenPort(u"COM3:"));
  for (const Step& step : steps) {
    app_->SetTuneMode(step.mode);
    Poll("$CRMSS,42," + std::to_string(step.snr) + ",300.0,200*00\r\n", 1);
    EXPECT_EQ(app_->Status().locked, step.locked) << "snr " << step.snr;
    EXPECT_EQ(sitePosts_, step.sitePosts) << "snr " << step.snr;
    EXPECT_EQ(app_->CurrentSite().Frequency, step.siteFrequency);
    EXPECT_EQ(app_->CurrentSite().StationId, 9);
  }
  EXPECT_EQ(Sent(), "");  // the station was known: no status request
}

TEST_F(ApplicationTest, ASilentReceiverGivesUpAfterTwoSecondsAndPostsNothing) {
  ASSERT_TRUE(OpenPort(u"COM3:"));
  app_->UpdateState([](SharedState& s) { s.status.snr = 12; });
  EXPECT_FALSE(app_->PollStatus());
  EXPECT_NEAR(paused_, 2000, 200);
  EXPECT_EQ(statusPosts_, 0);
  EXPECT_EQ(app_->Status().snr, 0);  // a failed reply clears the values
}

// The events the status thread waits on are named, shared with every process: a second instance,
// refused at start, must leave the running instance's thread polling when it ends.
TEST(SecondInstance, LeavesTheRunningStatusThreadPolling) {
  testing::ScopedXdgDirs dirs;
  ApplicationOptions options;
  options.searchSiteFile = false;
  Application running(options);
  ASSERT_TRUE(running.Initialize());
  {
    Application second(options);
    EXPECT_FALSE(second.Initialize());
  }
  const auto terminate = platform::CreateEvent(true, false, kTerminateEventName);
  ASSERT_NE(terminate, nullptr);
  EXPECT_FALSE(terminate->Wait(0));
  running.StopThreads();
}

}  // namespace
}  // namespace skylark

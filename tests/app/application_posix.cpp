#include <future>
#include <string>

#include "tests/app/app_fixture_posix.h"
#include "tests/support/pty.h"

namespace skylark {
namespace {

using namespace std::chrono_literals;
using testing::Values;

const BeaconSite kHoek{u"Europe", u"Netherlands", u"Hoek", 200, 290.0, 9};
const std::string kStation306 = "$PCSI,CS0,SIM0001,0,300.0,A,200,A,57,15,SIM1.00,1,306,LOCK,100*20\r\n";

// The test plays the receiver on the master end of a pseudo-terminal that "COM3:" leads to. The
// wait for an answer is cut to 300 ms.
class ApplicationTest : public testing::ApplicationFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testing::LinkPort(3, pty_.SlavePath()));
    Create(300ms);
    app_->SetCurrentSite(kHoek);
    app_->SetActivePage(kStatusPage);
  }

  // Sends a status sentence as the receiver and waits until the snapshot has taken it.
  void Read(const std::string& sentence) {
    const std::size_t before = app_->ReadingsSince(0).size();
    ASSERT_TRUE(pty_.Send(sentence));
    ASSERT_TRUE(testing::WaitFor([&] { return app_->ReadingsSince(0).size() > before; }));
  }

  std::string Sent() { return pty_.Receive(4096, 200ms); }

  // With the site file, in automatic mode on the Status page: the first lock asks for the station.
  void AwaitIdentification() {
    app_.reset();
    Create(2000ms, u"" SKYLARK_SOURCE_DIR "/data");
    ASSERT_TRUE(OpenPort(u"COM3:"));
    app_->SetTuneMode(kTuneAutomatic);
    app_->SetActivePage(kStatusPage);
    ASSERT_TRUE(pty_.Send("$CRMSS,42,15,300.0,200*41\r\n"));
    ASSERT_NE(pty_.Receive(9, 2s).find("$PCSI,1\r\n"), std::string::npos) << "the station is asked for";
  }

  testing::PtyPair pty_;
};

// A tune that cannot be sent, with the link closed or an interval the receiver refuses, fails at
// once and sends nothing.
TEST_F(ApplicationTest, ATuneThatCannotBeSentFailsAndSendsNothing) {
  EXPECT_FALSE(app_->Tune(1));
  ASSERT_TRUE(OpenPort(u"COM3:"));
  EXPECT_FALSE(app_->Tune(101));  // the receiver takes intervals up to 100 only
  EXPECT_EQ(sitePosts_, 0);
  EXPECT_EQ(Sent(), "");
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
    Read("$CRMSS,42," + std::to_string(step.snr) + ",300.0,200\r\n");
    EXPECT_EQ(app_->Status().locked, step.locked) << "snr " << step.snr;
    EXPECT_EQ(sitePosts_, step.sitePosts) << "snr " << step.snr;
    EXPECT_EQ(app_->CurrentSite().Frequency, step.siteFrequency);
    EXPECT_EQ(app_->CurrentSite().StationId, 9);
  }
  EXPECT_EQ(Sent(), "");  // the station was known: no status request
}

// Only the Status page follows the receiver: readings that come while another page is shown wait,
// and turning to the Status page shows the newest of them, once. Staleness follows the spacing of
// the readings when another program tuned the receiver with a longer interval.
TEST_F(ApplicationTest, TheStatusPageShowsTheNewestReadingOnReturnAndJudgesAgeByTheSpacing) {
  ASSERT_TRUE(OpenPort(u"COM3:"));
  Read("$CRMSS,1,15,300.0,200\r\n");
  app_->SetActivePage(kTunePage);
  std::this_thread::sleep_for(1600ms);  // time on another page is no spacing of the readings
  std::string backlog;
  for (int i = 1; i < 60; ++i) backlog += "$CRMSS," + std::to_string(i) + ",15,300.0,200\r\n";
  backlog += "$PCSI,CS1,0\r\n$GPMSS,60,8,300.0,200*7B\r\n";
  ASSERT_TRUE(pty_.Send(backlog));
  // Each is numbered for the chart and a recording; the snapshot waits for the page.
  ASSERT_TRUE(testing::WaitFor([&] { return app_->ReadingsSince(0).size() == 61u; }));
  EXPECT_EQ(app_->ReadingsSince(0).back().state.status.signalStrength, 60);
  EXPECT_EQ(app_->Status().signalStrength, 1);
  EXPECT_EQ(statusPosts_, 61);
  app_->SetActivePage(kStatusPage);
  EXPECT_EQ(Values(app_->Status()), (ReceiverStatus{300.0, 200, 8, 60, true}));
  EXPECT_EQ(statusPosts_, 62);
  EXPECT_EQ(app_->ReadingsSince(0).size(), 61u) << "the kept reading is not numbered twice";

  EXPECT_EQ(app_->StatusInterval(), 1u);
  std::this_thread::sleep_for(1600ms);  // a receiver tuned elsewhere with a 2 s interval
  Read("$CRMSS,61,8,300.0,200\r\n");
  EXPECT_EQ(app_->StatusInterval(), 2u);
}

// A tune by site made while the station report of the previous lock is awaited keeps the site the
// user chose, however late the report comes.
TEST_F(ApplicationTest, ALateStationReportDoesNotOverwriteTheSiteJustTuned) {
  ASSERT_NO_FATAL_FAILURE(AwaitIdentification());
  app_->SetTuneMode(kTuneBySite);
  app_->SetCurrentSite(kHoek);
  auto tune = std::async(std::launch::async, [this] { return app_->Tune(1); });
  ASSERT_NE(pty_.Receive(24, 2s).find("$GPMSK,290.0,M,200,M,1"), std::string::npos);
  ASSERT_TRUE(pty_.Send("$PCSI,ACK,GPMSK*02\r\n" + kStation306));
  EXPECT_TRUE(tune.get());
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(app_->CurrentSite(), kHoek);
  Read("$CRMSS,42,15,290.0,200\r\n");
  EXPECT_EQ(app_->ReadingsSince(0).back().tunes, 1u);  // the chart starts a new segment
}

// A line that hangs up closes the port, whatever its access, tells the pages, and says which port
// it was, once.
TEST_F(ApplicationTest, AHungUpLineClosesThePortAndTellsThePages) {
  for (const AccessMode access : {AccessMode::ReadWrite, AccessMode::Read, AccessMode::Write}) {
    SCOPED_TRACE(static_cast<std::uint32_t>(access));
    testing::PtyPair pty;
    ASSERT_TRUE(testing::LinkPort(3, pty.SlavePath()));
    ASSERT_TRUE(app_->Link().InputPort()->Open(u"COM3:", access));
    const int posts = sitePosts_;
    pty.CloseMaster();
    // Nothing reads a write-only port: its next command finds the line gone.
    if (access == AccessMode::Write) {
      EXPECT_FALSE(app_->Monitor().SendStatusRequest());
    }
    // The port reads as closed a moment before the loss is posted: wait for the post.
    EXPECT_TRUE(testing::WaitFor([&] { return sitePosts_ >= posts + 1; }));
    EXPECT_FALSE(app_->IsLinkOpen());
    EXPECT_EQ(sitePosts_, posts + 1);
    const std::optional<PortLoss> loss = app_->TakePortLoss();
    ASSERT_TRUE(loss);
    EXPECT_EQ(loss->name, u"COM3:");
    EXPECT_FALSE(app_->TakePortLoss());
  }
}

// Nothing heard for 2 s of the Status page: one reading is asked for by itself.
TEST_F(ApplicationTest, AReadingIsAskedForWhenThePageHearsNothing) {
  ASSERT_TRUE(OpenPort(u"COM3:"));
  app_->SetActivePage(kStatusPage);
  EXPECT_EQ(pty_.Receive(12, 4s), "$GPCRQ,MSS\r\n");
  Read("$CRMSS,42,15,300.0,200*41\r\n");
  EXPECT_EQ(app_->Status().signalStrength, 42);
  EXPECT_EQ(Sent(), "") << "asked once";
}

// Unplugged and plugged in again a hundred times: each time the port comes back by itself and the
// receiver is told its last tune again (the sanitizer suites look for leaks and races here).
TEST_F(ApplicationTest, APortUnpluggedAHundredTimesComesBackEachTime) {
  app_.reset();
  reconnect_ = true;
  reconnectPeriod_ = 10ms;
  Create(50ms);
  ASSERT_TRUE(OpenPort(u"COM3:"));
  app_->SetTuneMode(kTuneAutomatic);
  app_->Tune(1);
  ASSERT_EQ(Sent(), "$GPMSK,,A,,A,1\r\n");
  auto line = std::make_unique<testing::PtyPair>();
  pty_.CloseMaster();
  for (int cycle = 0; cycle < 100; ++cycle) {
    ASSERT_TRUE(testing::WaitFor([&] { return app_->Reconnecting().has_value(); })) << cycle;
    ASSERT_TRUE(testing::LinkPort(3, line->SlavePath()));
    ASSERT_TRUE(testing::WaitFor([&] { return app_->IsLinkOpen() && !app_->Reconnecting(); })) << cycle;
    ASSERT_EQ(line->Receive(16, 1s), "$GPMSK,,A,,A,1\r\n") << cycle;
    line->CloseMaster();
    line = std::make_unique<testing::PtyPair>();
  }
  app_->StopReconnecting();
}

// The running program owns the named events: a second program that the guard refuses, and a
// command-line run, come and go without stopping its polling; another process can still signal it.
TEST_F(ApplicationTest, OtherProcessesLeaveTheRunningInstanceAlone) {
  app_.reset();
  ApplicationOptions options;
  options.notifications = this;
  options.searchSiteFile = false;
  options.tuneWait = options.replyWait = 100ms;
  Application running(options);
  ASSERT_TRUE(running.Initialize());
  ASSERT_TRUE(running.Link().InputPort()->Open(u"COM3:", AccessMode::ReadWrite));
  running.SetActivePage(kStatusPage);
  {
    Application refused(options);
    EXPECT_FALSE(refused.Initialize());
  }
  {
    Application commandLine(options);
    commandLine.Start();
    commandLine.StopThreads();
  }
  ASSERT_TRUE(pty_.Send("$CRMSS,42,15,300.0,200*41\r\n"));
  EXPECT_TRUE(testing::WaitFor([this] { return statusPosts_ == 1; }, 2s)) << "still polling";
  EXPECT_TRUE(platform::SignalNamedEvent(kUpdateEventName));
  running.Shutdown();
}

// Shutdown while the status thread waits for the station report it asked for: the wait ends,
// both threads are gone before the catalogue is cleared, and nothing changes afterwards, even when
// the report then comes.
TEST_F(ApplicationTest, ShutdownDuringAnIdentificationIsClean) {
  ASSERT_NO_FATAL_FAILURE(AwaitIdentification());
  ASSERT_GT(app_->Catalogue().Count(), 300u);
  auto late = std::async(std::launch::async, [this] {
    std::this_thread::sleep_for(300ms);
    pty_.Send(kStation306);
  });
  app_->Shutdown();
  late.get();
  const BeaconSite site = app_->CurrentSite();
  const int posts = statusPosts_ + sitePosts_;
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(app_->CurrentSite(), site);
  EXPECT_EQ(statusPosts_ + sitePosts_, posts);
  EXPECT_EQ(app_->Catalogue().Count(), 0u);
}

}  // namespace
}  // namespace skylark

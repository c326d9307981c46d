#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "app/application.h"
#include "tests/support/pty.h"
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

// The receiver's answer arrives within a few reader passes of 100 ms, so the tune pause is cut
// to 300 ms and each reply pass to 50 ms; shorter pauses stay as they are.
void ShortSleep(std::chrono::milliseconds duration) {
  if (duration >= 1000ms) {
    std::this_thread::sleep_for(300ms);
  } else {
    std::this_thread::sleep_for(duration >= 200ms ? 50ms : duration);
  }
}

// The test plays the receiver on the master end of a pseudo-terminal that "COM3:" leads to. The
// reader thread runs; the status thread does not, so each poll is the test's own call.
class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty_.Valid());
    ASSERT_TRUE(testing::LinkPort(3, pty_.SlavePath()));
    ApplicationOptions options;
    options.notifications = &posted_;
    options.searchSiteFile = false;
    options.sleeper = ShortSleep;
    app_ = std::make_unique<Application>(std::move(options));
    app_->Monitor().Attach(&app_->Link());
    app_->Monitor().StartReader();
  }

  void TearDown() override {
    if (app_) app_->StopThreads();
  }

  bool OpenPort() {
    return app_->Link().InputPort()->Open(u"COM3:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite,
                                          &platform::kReceiverTimeouts);
  }

  // Sends lines as the receiver and waits until the reader has queued them all.
  bool Receive(const std::string& lines, std::size_t count) {
    const std::size_t before = app_->Monitor().QueuedLines();
    if (!pty_.Send(lines)) return false;
    for (auto deadline = std::chrono::steady_clock::now() + 3s; std::chrono::steady_clock::now() < deadline;) {
      if (app_->Monitor().QueuedLines() >= before + count) return true;
      std::this_thread::sleep_for(10ms);
    }
    return false;
  }

  std::string Sent() { return pty_.Receive(4096, 200ms); }

  void AddSite(std::uint16_t station, const char16_t* name, double frequency, std::uint8_t rate) {
    auto site = std::make_unique<BeaconSite>();
    site->Region = u"Europe";
    site->Country = u"Netherlands";
    site->Beacon = name;
    site->StationId = station;
    site->Frequency = frequency;
    site->MskRate = rate;
    app_->Catalogue().AddSite(std::move(site));
  }

  testing::ScopedXdgDirs dirs_;
  testing::PtyPair pty_;
  CountingNotifications posted_;
  std::unique_ptr<Application> app_;
};

TEST_F(ApplicationTest, TuneWithTheLinkClosedFailsAtOnceAndChangesNothing) {
  const SharedState before = app_->State();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(app_->Tune(1));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
  EXPECT_EQ(posted_.siteChanged, 0);
  EXPECT_EQ(app_->CurrentSite(), before.currentSite);
}

TEST_F(ApplicationTest, TuneSendsTheSentenceOfItsModeAndWaitsForTheAcknowledgement) {
  struct Case {
    std::int32_t mode;
    std::string sentence;
    std::u16string beacon;
    double snapshotFrequency;
  };
  const Case cases[] = {
      {kTuneAutomatic, "$GPMSK,,A,,A,1\r\n", u"Automatic", 0.0},
      {kTuneByFrequency, "$GPMSK,300.0,M,200,M,1\r\n", u"Selected by frequncy", 300.0},
      {kTuneBySite, "$GPMSK,300.0,M,200,M,1\r\n", u"Hoek", 300.0},
      {7, "$GPMSK,300.0,M,200,M,1\r\n", u"Hoek", 300.0},  // any other mode tunes by site
  };
  ASSERT_TRUE(OpenPort());
  for (const Case& c : cases) {
    BeaconSite site;
    site.Beacon = u"Hoek";
    site.Frequency = 300.0;
    site.MskRate = 200;
    site.StationId = 9;
    app_->SetCurrentSite(site);
    app_->UpdateState([](SharedState& s) { s.status.snr = 12; s.status.signalStrength = 40; });
    app_->SetTuneMode(c.mode);
    posted_.siteChanged = 0;
    ASSERT_TRUE(Receive("$PCSI,ACK\r\n", 1));
    EXPECT_TRUE(app_->Tune(1)) << c.mode;
    EXPECT_EQ(Sent(), c.sentence);
    const SharedState state = app_->State();
    EXPECT_EQ(state.currentSite.Beacon, c.beacon);
    EXPECT_EQ(state.status.frequency, c.snapshotFrequency);
    EXPECT_EQ(state.status.snr, 0);
    EXPECT_EQ(state.status.signalStrength, 0);
    EXPECT_EQ(state.currentSite.StationId, c.mode == kTuneAutomatic ? 0 : 9);
    EXPECT_EQ(posted_.siteChanged, 1);
  }
}

TEST_F(ApplicationTest, TuneWithoutAcknowledgementFailsButKeepsWhatItSet) {
  ASSERT_TRUE(OpenPort());
  app_->SetTuneMode(kTuneAutomatic);
  EXPECT_FALSE(app_->Tune(1));
  EXPECT_EQ(app_->CurrentSite().Beacon, u"Automatic");
  EXPECT_EQ(posted_.siteChanged, 1);
}

TEST_F(ApplicationTest, TuneByFrequencyNamesTheSiteEvenWhenTheCommandIsRefused) {
  ASSERT_TRUE(OpenPort());
  app_->SetTuneMode(kTuneByFrequency);
  EXPECT_FALSE(app_->Tune(101));  // the receiver takes intervals up to 100 only
  EXPECT_EQ(app_->CurrentSite().Beacon, u"Selected by frequncy");
  EXPECT_EQ(posted_.siteChanged, 0);
  EXPECT_EQ(Sent(), "");
}

TEST_F(ApplicationTest, PollStatusOnlyOnTheStatusPage) {
  ASSERT_TRUE(OpenPort());
  ASSERT_TRUE(Receive("$CRMSS,42,15,300.0,200*5A\r\n", 1));
  for (std::int32_t page : {kConfigurationPage, kTunePage}) {
    app_->SetActivePage(page);
    EXPECT_FALSE(app_->PollStatus());
  }
  EXPECT_EQ(app_->Monitor().QueuedLines(), 1u);  // nothing was read
  EXPECT_EQ(posted_.statusChanged, 0);
  app_->SetActivePage(kStatusPage);
  EXPECT_TRUE(app_->PollStatus());
  EXPECT_EQ(posted_.statusChanged, 1);
  const ReceiverStatus status = app_->Status();
  EXPECT_EQ(status.signalStrength, 42);
  EXPECT_EQ(status.snr, 15);
  EXPECT_EQ(status.frequency, 300.0);
  EXPECT_EQ(status.mskRate, 200);
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
      {kTuneBySite, 6, false, 0, 290.0}, {kTuneBySite, 7, true, 0, 290.0},
      {kTuneBySite, 9, true, 0, 290.0},  {kTuneBySite, 6, false, 1, 290.0},
      {kTuneAutomatic, 7, true, 1, 300.0}, {kTuneAutomatic, 6, false, 2, 0.0},
  };
  ASSERT_TRUE(OpenPort());
  BeaconSite site;
  site.Beacon = u"Hoek";
  site.Frequency = 290.0;
  site.StationId = 9;  // known already: no identification
  app_->SetCurrentSite(site);
  app_->SetActivePage(kStatusPage);
  int polls = 0;
  for (const Step& step : steps) {
    app_->SetTuneMode(step.mode);
    ASSERT_TRUE(Receive("$CRMSS,42," + std::to_string(step.snr) + ",300.0,200*00\r\n", 1));
    EXPECT_TRUE(app_->PollStatus());
    ++polls;
    EXPECT_EQ(app_->Status().locked, step.locked) << "snr " << step.snr;
    EXPECT_EQ(posted_.siteChanged, step.sitePosts) << "snr " << step.snr;
    EXPECT_EQ(posted_.statusChanged, polls);
    EXPECT_EQ(app_->CurrentSite().Frequency, step.siteFrequency);
    EXPECT_EQ(app_->CurrentSite().Beacon, u"Hoek");
    EXPECT_EQ(app_->CurrentSite().StationId, 9);
  }
  EXPECT_EQ(Sent(), "");  // no status request
}

TEST_F(ApplicationTest, AutomaticModeIdentifiesTheStationOncePerGainOfLock) {
  AddSite(123, u"Hoek van Holland", 301.0, 100);
  ASSERT_TRUE(OpenPort());
  app_->SetTuneMode(kTuneAutomatic);
  app_->SetActivePage(kStatusPage);
  const std::string status = "$CRMSS,42,15,300.0,200*00\r\n";
  const std::string station = "$PCSI,CS0,A,1,301.5,B,200,C,40,20,D,0,123,E,0*00\r\n";

  ASSERT_TRUE(Receive(status + station, 2));
  EXPECT_TRUE(app_->PollStatus());
  EXPECT_EQ(Sent(), "$PCSI,1\r\n");
  SharedState state = app_->State();
  EXPECT_EQ(state.currentSite.Beacon, u"Hoek van Holland");
  EXPECT_EQ(state.currentSite.StationId, 123);
  EXPECT_EQ(state.currentSite.Frequency, 301.5);
  EXPECT_EQ(state.status.snr, 20);
  EXPECT_TRUE(state.status.locked);
  EXPECT_EQ(posted_.siteChanged, 1);

  // Still locked: no second attempt.
  ASSERT_TRUE(Receive(status, 1));
  EXPECT_TRUE(app_->PollStatus());
  EXPECT_EQ(Sent(), "");
  EXPECT_EQ(posted_.siteChanged, 1);
}

TEST_F(ApplicationTest, AStationThatIsNotIdentifiedIsNotAskedForAgainWhileLocked) {
  ASSERT_TRUE(OpenPort());
  app_->SetTuneMode(kTuneAutomatic);
  app_->SetActivePage(kStatusPage);
  const std::string status = "$CRMSS,42,15,300.0,200*00\r\n";
  ASSERT_TRUE(Receive(status + "$PCSI,CS0,A,1,301.5,B,200,C,40,20,D,0,0,E,0*00\r\n", 2));
  EXPECT_TRUE(app_->PollStatus());
  EXPECT_EQ(Sent(), "$PCSI,1\r\n");
  EXPECT_TRUE(app_->Status().locked);
  EXPECT_EQ(app_->CurrentSite().Frequency, 300.0);
  EXPECT_EQ(posted_.siteChanged, 0);
  ASSERT_TRUE(Receive(status, 1));
  EXPECT_TRUE(app_->PollStatus());
  EXPECT_EQ(Sent(), "");
}

TEST_F(ApplicationTest, ASilentReceiverGivesUpAndPostsNothing) {
  ASSERT_TRUE(OpenPort());
  app_->SetActivePage(kStatusPage);
  app_->UpdateState([](SharedState& s) { s.status.snr = 12; });
  EXPECT_FALSE(app_->PollStatus());
  EXPECT_EQ(posted_.statusChanged, 0);
  EXPECT_EQ(app_->Status().snr, 0);  // a failed reply clears the values
}

TEST_F(ApplicationTest, AHangUpClosesThePortAndReopeningWorks) {
  ASSERT_TRUE(OpenPort());
  app_->SetActivePage(kStatusPage);
  pty_.CloseMaster();
  for (auto deadline = std::chrono::steady_clock::now() + 3s;
       app_->IsLinkOpen() && std::chrono::steady_clock::now() < deadline;) {
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_FALSE(app_->IsLinkOpen());
  EXPECT_FALSE(app_->PollStatus());
  EXPECT_FALSE(app_->Tune(1));

  testing::PtyPair again;
  ASSERT_TRUE(testing::LinkPort(3, again.SlavePath()));
  ASSERT_TRUE(OpenPort());
  ASSERT_TRUE(again.Send("$CRMSS,42,15,300.0,200*00\r\n"));
  std::this_thread::sleep_for(400ms);  // four reader passes
  EXPECT_TRUE(app_->PollStatus());
}

}  // namespace
}  // namespace skylark

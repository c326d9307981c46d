// The three ways of tuning, end to end: the sheet opens the simulated receiver's port, tunes it,
// and the pages follow the notifications the tune and the status polls post.

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <chrono>
#include <thread>

#include "tests/support/sim_process.h"
#include "tests/ui/support/ui_test_support.h"
#include "ui/configuration_sheet.h"
#include "ui/queued_notifications.h"

using namespace skylark;
using namespace skylark::testing;
using namespace std::chrono_literals;

class TuneWithReceiverTest : public QObject {
  Q_OBJECT

 private:
  SimProcess sim_;
  MemorySettings settings_;
  ui::QueuedNotifications notifications_;
  MessageLog messages_;
  std::unique_ptr<Application> app_;
  std::unique_ptr<ui::ConfigurationSheet> sheet_;

  template <typename T>
  T* Find(const char* name) {
    return sheet_->findChild<T*>(QString::fromLatin1(name));
  }
  void Choose(const char* list, const QString& text) {
    auto* combo = Find<QComboBox>(list);
    combo->setCurrentText(text);
    emit combo->activated(combo->currentIndex());
  }
  QString Shown(const char* list) { return Find<QComboBox>(list)->currentText(); }
  QString TuneAndTakeMessage() {
    messages_.texts.clear();
    Find<QPushButton>("tuneButton")->click();
    return messages_.TakeLast();
  }

 private slots:
  void initTestCase() {
    QVERIFY(sim_.Start({"--no-pacing", "--near", "Europe/Kingdom of Denmark", "--settle-ms", "100",
                        "--scan-ms", "100"}));
    ApplicationOptions options;
    options.settings = &settings_;
    options.notifications = &notifications_;
    options.firstSiteDirectory = u"" SKYLARK_SOURCE_DIR "/data";
    // A quarter of the protocol's pauses still leaves the reader several passes per wait.
    options.sleeper = [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause / 4); };
    app_ = std::make_unique<Application>(std::move(options));
    QVERIFY(app_->Initialize());
    sheet_ = std::make_unique<ui::ConfigurationSheet>(*app_, messages_.Recorder());
    notifications_.SetPages(sheet_->statusPage(), sheet_->tunePage());

    Find<QComboBox>("inputList")->setCurrentText(QStringLiteral("COM4:"));
    Find<QPushButton>("inputOpen")->click();
    QCOMPARE(messages_.TakeLast(), QStringLiteral("Beacon connected for reading and writing."));
    sheet_->tabs()->setCurrentIndex(1);
  }

  void tuneBySite() {
    Find<QRadioButton>("siteRadio")->click();
    Choose("regionCombo", QStringLiteral("Europe"));
    Choose("countryCombo", QStringLiteral("Kingdom of Denmark"));
    Choose("beaconCombo", QStringLiteral("Skagen"));
    QCOMPARE(TuneAndTakeMessage(), QStringLiteral("Beacon Tuned Successfully!"));
    QCOMPARE(app_->TuneModeValue(), kTuneBySite);
    const BeaconSite site = app_->CurrentSite();
    QVERIFY(site.Beacon == u"Skagen" && site.Frequency == 296.0 && site.MskRate == 100);
    QVERIFY(sim_.WaitForLog("$GPMSK,296.0,M,100,M,1", 2s));
  }

  void tuneByFrequency() {
    Find<QRadioButton>("frequencyRadio")->click();
    QVERIFY(!Find<QComboBox>("regionCombo")->isEnabled());
    Find<QComboBox>("frequencyCombo")->setCurrentText(QStringLiteral("289.5"));
    Find<QComboBox>("rateCombo")->setCurrentText(QStringLiteral("100"));
    QCOMPARE(TuneAndTakeMessage(), QStringLiteral("Beacon Tuned Successfully!"));
    const BeaconSite site = app_->CurrentSite();
    QVERIFY(site.Beacon == u"Selected by frequncy" && site.Region == u"-" && site.StationId == 0);
    QVERIFY(sim_.WaitForLog("$GPMSK,289.5,M,100,M,1", 2s));
    // The site-changed notification follows: no site, the chosen frequency and rate.
    QTRY_COMPARE(Find<QComboBox>("regionCombo")->currentIndex(), 0);
    QCOMPARE(Shown("frequencyCombo"), QStringLiteral("289.5"));
    QCOMPARE(Shown("rateCombo"), QStringLiteral("100"));
  }

  void tuneAutomaticallyThenWatchTheStatus() {
    Find<QRadioButton>("autoRadio")->click();
    QCOMPARE(TuneAndTakeMessage(), QStringLiteral("Beacon Tuned Successfully!"));
    QCOMPARE(app_->TuneModeValue(), kTuneAutomatic);
    QVERIFY(sim_.WaitForLog("$GPMSK,,A,,A,1", 2s));
    sheet_->tabs()->setCurrentIndex(2);
    auto field = [this](const char* name) { return Find<QLabel>(name)->text(); };
    QTRY_COMPARE_WITH_TIMEOUT(field("lockedField"), QStringLiteral("Yes"), 5000);
    QVERIFY(field("snrField").toInt() >= kLockThreshold);
    QVERIFY(field("frequencyField").endsWith(QStringLiteral(" kHz")));
  }

  void cleanupTestCase() {
    // Closed first: shutting down with the receiver still talking drains its output for seconds.
    sheet_->tabs()->setCurrentIndex(0);
    Find<QPushButton>("inputOpen")->click();
    QCOMPARE(messages_.TakeLast(), QStringLiteral("Port closed for reading and writing."));
    sheet_->reject();
    QVERIFY(!app_->Started());
    sheet_.reset();
    app_.reset();
    sim_.Stop();
  }
};

SKYLARK_UI_TEST_MAIN(TuneWithReceiverTest)
#include "tune_with_receiver_test_posix.moc"

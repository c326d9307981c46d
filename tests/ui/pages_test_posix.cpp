// The sheet and its pages through their widgets, on pseudo-terminals and the simulated receiver:
// the binding of the page rules, the keyboard, and a window that keeps running while it tunes.

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QLabel>
#include <QTabBar>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/posix/settings_file.h"
#include "tests/support/loopback.h"
#include "tests/support/pty.h"
#include "tests/support/sim_process.h"
#include "tests/ui/support/ui_test_support.h"
#include "ui/qt/configuration_sheet.h"
#include "ui/qt/queued_notifications.h"

using namespace skylark;
using namespace skylark::testing;

namespace {

// A quarter of the waits for an answer.
ApplicationOptions QuarterPauses() {
  ApplicationOptions options;
  options.searchSiteFile = false;
  options.tuneWait = std::chrono::milliseconds(1000);
  options.replyWait = std::chrono::milliseconds(500);
  return options;
}

ApplicationOptions NotifyingTo(Notifications* notifications, ApplicationOptions options) {
  options.notifications = notifications;
  return options;
}

}  // namespace

class PagesTest : public QObject {
  Q_OBJECT

  struct Fixture {
    ui::QueuedNotifications notifications;  // the workers' news, on the simulated receiver only
    Application app;
    QStringList messages;  // shown in order, in place of the message box
    ui::ConfigurationSheet sheet{app, [this](const QString& text) { messages << text; }};
    PtyPair receiver;  // COM4:, selected from the start
    PtyPair spare;     // COM2:
    int closed = 0;    // times the sheet ended

    // On the simulated receiver COM4: leads to a pseudo-terminal that is gone, which the
    // simulator takes over.
    explicit Fixture(ApplicationOptions options = QuarterPauses(), bool simulated = false)
        : app(NotifyingTo(simulated ? &notifications : nullptr, std::move(options))) {
      // Every other name leads nowhere, whatever serial ports this machine has.
      for (int n = 1; n <= 9; ++n) LinkPort(n, "/nonexistent/skylark-tty");
      LinkPort(4, simulated ? "/dev/pts/99999" : receiver.SlavePath());
      LinkPort(2, spare.SlavePath());
      if (simulated) notifications.SetSheet(&sheet);
      app.Monitor().Attach(&app.Link());
      QObject::connect(&sheet, &QDialog::finished, [this] { ++closed; });
    }
    QAbstractButton* Button(const char* name) { return Find<QAbstractButton>(sheet, name); }
    void Click(const char* name) { Button(name)->click(); }
    void Choose(const char* list, const char* text) { testing::Choose(sheet, list, text); }
    // Presses Tune and waits for the message that ends the tune, if one comes.
    QStringList Tune() {
      messages.clear();
      Click("tuneButton");
      if (!QTest::qWaitFor([this] { return !sheet.rules().Busy(); }, 8000)) return {"(still tuning)"};
      return messages;
    }
  };

 private slots:
  // A serial device that appears (udev makes its node) is listed without a Scan.
  void anArrivingDeviceIsListedWithoutAScan() {
    const std::string dev = std::getenv("SKYLARK_TEST_DEV_DIR");
    QVERIFY(std::filesystem::create_directories(dev));
    Fixture f;
    const QString name = QString::fromStdString(dev + "/ttyACM0");
    std::filesystem::create_symlink(f.spare.SlavePath(), name.toStdString());
    QTRY_VERIFY(Find<QComboBox>(f.sheet, "inputList")->findText(name) >= 0);
    // Its terminal's number goes to the next test's pseudo-terminals.
    std::filesystem::remove(name.toStdString());
  }

  // Enter presses the focused button and nothing else; the sheet stays open.
  void enterPressesTheFocusedButtonOnly() {
    Fixture f;
    f.sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.sheet));
    QVERIFY(!f.sheet.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isDefault());
    const struct {
      const char* widget;
      int tab;
      const char* message;  // "" for none
    } cases[] = {
        {"inputTest", 0, "Able to open port for reading and writing.\n\nNo receiver answered on this port."},
        {"inputOpen", 0, "Beacon connected for reading and writing."},
        {"scanButton", 0, ""},
        {"tuneButton", 1, "Beacon tuning failed. Check beacon port settings."},
        {"autoRadio", 1, ""},
    };
    for (const auto& c : cases) {
      f.sheet.tabs()->setCurrentIndex(c.tab);
      QWidget* widget = Find(f.sheet, c.widget);
      widget->setFocus();
      f.messages.clear();
      QTest::keyClick(widget, Qt::Key_Return);
      QTRY_VERIFY_WITH_TIMEOUT(!f.sheet.rules().Busy(), 8000);
      QCOMPARE(f.messages.join(QString()), QString::fromLatin1(c.message));
      QVERIFY2(f.closed == 0 && f.sheet.isVisible(), c.widget);
    }
    QTest::keyClick(&f.sheet, Qt::Key_Escape);
    QCOMPARE(f.closed, 1);
  }

  // The window keeps running while the receiver is tuned, and cannot be left meanwhile.
  void theEventLoopRunsDuringATune() {
    Fixture f;
    f.Click("inputOpen");
    f.sheet.tabs()->setCurrentIndex(1);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    f.Click("tuneButton");
    QVERIFY(f.sheet.rules().Busy());
    QVERIFY(Find(f.sheet, "tuningLabel")->isVisibleTo(&f.sheet));
    // The sheet's own controls are locked as the rules say.
    const auto* buttons = f.sheet.findChild<QDialogButtonBox*>();
    QVERIFY(!buttons->button(QDialogButtonBox::Ok)->isEnabled() && !f.sheet.tabs()->tabBar()->isEnabled());
    QVERIFY(!f.sheet.configurationPage()->isEnabled());
    f.sheet.reject();
    QTRY_VERIFY_WITH_TIMEOUT(!f.sheet.rules().Busy(), 8000);
    // Nobody acknowledges on the pseudo-terminal: the tune takes its full time and fails.
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
    QCOMPARE(f.messages.last(), QStringLiteral("Beacon tuning failed. Check beacon port settings."));
    QVERIFY(!Find(f.sheet, "tuningLabel")->isVisibleTo(&f.sheet));
    QVERIFY(buttons->button(QDialogButtonBox::Cancel)->isEnabled() && f.sheet.tabs()->tabBar()->isEnabled());
    QCOMPARE(f.closed, 0);
  }

  // A first start (no port stored) finds the simulated receiver on COM4: and chooses it. Once
  // tuned, the simulator hangs up: the page waits for the port, and a new simulator under the
  // same name gives readings again within 5 s of its start, with no user action.
  void aFirstStartFindsTheReceiverAndAnUnplugIsWaitedOut() {
    SimProcess sim;
    const auto settings = platform::posix::OpenSettingsFile(std::string(std::getenv("XDG_CONFIG_HOME")) + "/first");
    ApplicationOptions options = QuarterPauses();
    options.settings = settings.get();
    Fixture f(std::move(options), true);
    const std::vector<std::string> hearing{"--no-pacing", "--hear", "306", "--scan-ms", "100"};
    QVERIFY(sim.Start(hearing));
    f.app.Start();
    f.sheet.show();
    QTRY_COMPARE_WITH_TIMEOUT(f.messages.size(), qsizetype(1), 8000);
    QVERIFY2(f.messages[0].startsWith(QStringLiteral("A receiver answered on COM4: (")), qPrintable(f.messages[0]));
    QCOMPARE(Find<QComboBox>(f.sheet, "inputList")->currentText(), QStringLiteral("COM4:"));
    // The focus is back on the page, where Enter cannot leave the sheet; Scan is next to it.
    QCOMPARE(f.sheet.focusWidget(), f.Button("findButton"));
    QCOMPARE(f.Button("findButton")->previousInFocusChain(), f.Button("scanButton"));

    f.Click("inputOpen");
    f.sheet.tabs()->setCurrentIndex(1);
    f.Click("autoRadio");
    QCOMPARE(f.Tune(), QStringList{"Beacon Tuned Successfully!"});
    f.sheet.tabs()->setCurrentIndex(2);
    QTRY_COMPARE_WITH_TIMEOUT(Find<QLabel>(f.sheet, "lockedField")->text(), QStringLiteral("Yes"), 5000);

    f.messages.clear();
    QVERIFY(sim.Send("hangup"));
    QTRY_COMPARE_WITH_TIMEOUT(f.messages.size(), qsizetype(1), 3000);
    QVERIFY2(f.messages[0].endsWith(QStringLiteral("\n\nWaiting for COM4: to come back.")), qPrintable(f.messages[0]));
    QCOMPARE(Find<QLabel>(f.sheet, "portNote")->text(), QStringLiteral("Waiting for COM4: to come back."));
    QVERIFY(!Find<QComboBox>(f.sheet, "inputList")->isEnabled() && f.Button("inputOpen")->isEnabled());
    const std::uint64_t before = f.app.ReadingsSince(0).back().number;
    sim.Stop();
    SimProcess back;
    QVERIFY(back.Start(hearing));
    QTRY_VERIFY_WITH_TIMEOUT(!f.app.ReadingsSince(before).empty(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(Find<QLabel>(f.sheet, "portNote")->text(), QStringLiteral("COM4: is back."), 1000);
    QCOMPARE(f.messages.size(), qsizetype(1));
  }

  // The simulated receiver served by ser2net: its network name typed into the port list and
  // Enter (the sheet stays), tuned by site, its readings on the Status page.
  void aReceiverBehindSer2net() {
    SimProcess sim;
    ApplicationOptions options = QuarterPauses();
    options.searchSiteFile = true;
    options.firstSiteDirectory = u"" SKYLARK_SOURCE_DIR "/data";
    Fixture f(std::move(options), true);
    QVERIFY(sim.Start({"--no-pacing", "--hear", "306", "--settle-ms", "100", "--scan-ms", "100"}));
    const std::string config = std::getenv("XDG_CONFIG_HOME");
    Ser2net server(std::filesystem::read_symlink(config + "/Corvane/Skylark/ports/COM4"), false, config);
    const QString name = QStringLiteral("tcp://127.0.0.1:%1").arg(server.Port());
    f.app.Start();
    f.sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.sheet));
    auto* list = Find<QComboBox>(f.sheet, "inputList");
    list->setFocus();
    list->lineEdit()->selectAll();
    QTest::keyClicks(list->lineEdit(), name);
    QTest::keyClick(list->lineEdit(), Qt::Key_Return);
    QCOMPARE(list->currentText(), name);
    QCOMPARE(f.closed, 0);
    f.Click("inputOpen");
    QCOMPARE(f.messages.last(), QStringLiteral("Beacon connected for reading and writing."));
    f.sheet.tabs()->setCurrentIndex(1);
    f.Click("siteRadio");
    QVERIFY(!f.Button("tuneButton")->isEnabled());  // no beacon chosen yet
    f.Choose("regionCombo", "North America");
    f.Choose("countryCombo", "Canada");
    f.Choose("beaconCombo", "Sandspit");
    QCOMPARE(f.Tune(), QStringList{"Beacon Tuned Successfully!"});
    QVERIFY(sim.WaitForLog("$GPMSK,300.0,M,200,M,1", std::chrono::seconds(2)));
    f.sheet.tabs()->setCurrentIndex(2);  // the status poll runs only while this page is shown
    QTRY_COMPARE_WITH_TIMEOUT(Find<QLabel>(f.sheet, "lockedField")->text(), QStringLiteral("Yes"), 5000);
    QCOMPARE(Find<QLabel>(f.sheet, "frequencyField")->text(), QStringLiteral("300.0 kHz"));
  }

  // Update gets a reading from a receiver without status output, which Record logs to the file
  // chosen, and says when a silent one gave none.
  void updateAsksForAReadingAndRecordLogsIt() {
    SimProcess sim;
    Fixture f(QuarterPauses(), true);
    QVERIFY(sim.Start({"--no-pacing", "--hear", "306"}));
    const QString path = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/route.csv");
    f.sheet.statusPage()->setPathFunction([&](QWidget*) { return path; });
    f.app.Start();
    f.Click("inputOpen");
    f.sheet.tabs()->setCurrentIndex(2);
    f.Click("recordButton");
    f.messages.clear();
    f.Click("updateButton");
    QVERIFY(f.sheet.rules().Busy() && !f.Button("updateButton")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(Find<QLabel>(f.sheet, "logField")->text(),
                              QStringLiteral("Recording to route.csv, rows written: 1"), 3000);
    QTRY_VERIFY(!f.sheet.rules().Busy());
    QVERIFY(sim.Send("silence on"));
    f.Click("updateButton");
    QTRY_VERIFY_WITH_TIMEOUT(!f.sheet.rules().Busy(), 3000);
    QCOMPARE(f.messages, QStringList{"The receiver did not answer the status query within 2 s."});
  }
};

SKYLARK_UI_TEST_MAIN(PagesTest)
#include "pages_test_posix.moc"

// The sheet and its pages through their widgets, on pseudo-terminals and the simulated receiver.

#include <QDialogButtonBox>
#include <QLabel>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/posix/settings_file.h"
#include "tests/support/pty.h"
#include "tests/support/sim_process.h"
#include "tests/ui/support/ui_test_support.h"
#include "ui/configuration_sheet.h"
#include "ui/queued_notifications.h"
#include "ui/sorted_list.h"

using namespace skylark;
using namespace skylark::testing;

class PagesTest : public QObject {
  Q_OBJECT

  struct Fixture {
    Application app;
    QStringList messages;  // shown in order, in place of the message box
    ui::ConfigurationSheet sheet{app, [this](const QString& text) { messages << text; }};
    PtyPair receiver;  // COM4:, selected from the start
    PtyPair spare;     // COM2:

    explicit Fixture(ApplicationOptions options = {}) : app(std::move(options)) {
      // Every other name leads nowhere, whatever serial ports this machine has.
      for (int n = 1; n <= 9; ++n) LinkPort(n, "/nonexistent/skylark-tty");
      LinkPort(4, receiver.SlavePath());
      LinkPort(2, spare.SlavePath());
      app.Monitor().Attach(&app.Link());
    }
    QAbstractButton* Button(const char* name) { return Find<QAbstractButton>(sheet, name); }
    void Click(const char* name) { Button(name)->click(); }
    QString Caption(const char* name) { return Button(name)->text().remove('&'); }
    QComboBox* List(const char* name) { return Find<QComboBox>(sheet, name); }
    void Choose(const char* list, const char* text) {
      List(list)->setCurrentText(QString::fromLatin1(text));
      emit List(list)->activated(List(list)->currentIndex());
    }
    QStringList Tune() {
      messages.clear();
      Click("tuneButton");
      return messages;
    }
    ReceiverPort& Port() { return *app.Link().InputPort(); }
    QStringList StatusFields() {
      QStringList fields;
      for (const char* name : {"siteField", "frequencyField", "rateField", "stationField",
                               "lockedField", "signalField", "snrField"}) {
        fields << Find<QLabel>(sheet, name)->text();
      }
      return fields;
    }
  };

 private slots:
  void tuneListsAreSortedWithoutRegardToCase() {
    Fixture f;
    for (BeaconSite site : {BeaconSite{u"Europe", u"Denmark", u"Skagen", 100, 296.5, 452},
                            BeaconSite{u"Europe", u"Denmark", u"blavand", 100, 290.0, 453},
                            BeaconSite{u"Europe", u"Denmark", u"Skagen", 200, 299.0, 454}}) {
      f.app.Catalogue().AddSite(std::make_unique<BeaconSite>(site));
    }
    f.app.SetCurrentSite(BeaconSite{u"EUROPE", u"denmark", u"skagen", 200, 299.0, 454});
    f.sheet.tabs()->setCurrentIndex(1);
    const QStringList frequencies = Entries(*f.List("frequencyCombo"));
    QCOMPARE(frequencies.size(), 85);
    QCOMPARE(frequencies.mid(0, 3) << frequencies.last(),
             (QStringList{"", "283.5", "284.0", "325.0"}));
    QCOMPARE(Entries(*f.List("rateCombo")), (QStringList{"", "100", "200"}));
    // Both Skagens are listed; their name selects the first of them.
    QCOMPARE(Entries(*f.List("beaconCombo")), (QStringList{"", "blavand", "Skagen", "Skagen"}));
    QCOMPARE(f.List("beaconCombo")->currentIndex(), 2);
  }

  void selectByTextMatchesWholeTextsIgnoringCase_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selected");
    QTest::newRow("ignores case") << QStringList{"", "Asia", "Europe"} << "EUROPE" << 2;
    QTest::newRow("first of equals") << QStringList{"", "europe", "Europe"} << "Europe" << 1;
    QTest::newRow("off the grid") << QStringList{"", "283.5"} << "313.7" << 0;
    QTest::newRow("empty text") << QStringList{"", "Asia"} << "" << 0;
    QTest::newRow("whole text only") << QStringList{"", "Asia"} << "As" << 0;
    QTest::newRow("empty list") << QStringList{} << "Asia" << -1;
  }
  void selectByTextMatchesWholeTextsIgnoringCase() {
    QFETCH(QStringList, entries);
    QFETCH(QString, text);
    QFETCH(int, selected);
    QComboBox list;
    list.addItems(entries);
    list.setCurrentIndex(-1);
    ui::SelectByText(list, text);
    QCOMPARE(list.currentIndex(), selected);
  }

  void tuneEnablingFollowsModeAndLink_data() {
    QTest::addColumn<bool>("linkOpen");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("lists");  // the lists enabled
    for (int mode : {0, 1, 2}) {
      QTest::addRow("closed, mode %d", mode) << false << mode << QStringList{};
    }
    QTest::newRow("open, automatic") << true << 0 << QStringList{};
    QTest::newRow("open, by frequency") << true << 1 << QStringList{"frequencyCombo", "rateCombo"};
    QTest::newRow("open, by site") << true << 2
                                   << QStringList{"regionCombo", "countryCombo", "beaconCombo"};
  }
  void tuneEnablingFollowsModeAndLink() {
    QFETCH(bool, linkOpen);
    QFETCH(int, mode);
    QFETCH(QStringList, lists);
    Fixture f;
    if (linkOpen) f.Click("inputOpen");
    f.app.SetTuneMode(mode);
    f.sheet.tabs()->setCurrentIndex(1);
    for (const char* name : {"autoRadio", "frequencyRadio", "siteRadio", "tuneButton"}) {
      QCOMPARE(Find(f.sheet, name)->isEnabled(), linkOpen);
    }
    for (const char* name :
         {"frequencyCombo", "rateCombo", "regionCombo", "countryCombo", "beaconCombo"}) {
      QCOMPARE(Find(f.sheet, name)->isEnabled(), lists.contains(QLatin1String(name)));
    }
  }

  void statusFieldsShowOnlyWhatIsInRange() {
    const struct {
      QString legend;
      bool linkOpen;
      SharedState state;
      QStringList fields;  // site, frequency, rate, station, locked, signal, SNR
    } cases[] = {
        {"in range, locked", true, {{u"", u"", u"Skagen", 0, 0.0, 452}, {283.5, 150, 7, 41}},
         {"Skagen", "283.5 kHz", "150 bps", "452", "Yes", "41", "7"}},
        {"out of range, negatives", true, {{u"", u"", u"-", 0, 0.0, 65535}, {325.1, 99, -3, -9}},
         {"None", "300.0 kHz", "200 bps", "65535", "No", "0", "0"}},
        {"rate apart from frequency, link closed", false, {{}, {325.0, -100, 20, 60}},
         {"None", "325.0 kHz", "200 bps", "None", "Port not open", "N/A", "N/A"}},
    };
    for (const auto& c : cases) {
      Fixture f;
      if (c.linkOpen) f.Click("inputOpen");
      f.app.UpdateState([](SharedState& state) { state.status = {300.0, 200}; });
      f.sheet.tabs()->setCurrentIndex(2);
      f.app.UpdateState([&](SharedState& state) { state = c.state; });
      f.sheet.statusPage()->onSiteChanged();
      f.sheet.statusPage()->onStatusChanged();
      const QStringList fields = f.StatusFields();
      QVERIFY2(fields == c.fields, qPrintable(c.legend + ": " + fields.join(QLatin1Char('|'))));
    }
  }

  void portMessagesNameTheGroupsAccess() {
    Fixture f;
    f.Choose("inputList", "COM2:");
    f.Click("inputTest");
    // A test never touches the link's port.
    QVERIFY(!f.Port().IsOpen());
    QCOMPARE(f.Port().Name(), std::u16string(u"COM4:"));
    f.Choose("inputList", "COM7:");
    f.Click("inputOpen");
    f.Choose("inputList", "COM4:");
    f.Click("inputOpen");
    QCOMPARE(f.Caption("inputOpen"), QStringLiteral("Close Port"));
    QVERIFY(!Find(f.sheet, "inputTest")->isEnabled());
    f.Click("inputOpen");
    f.Click("samePortBox");  // separate groups from here on
    f.Choose("outputList", "COM7:");
    f.Click("outputTest");
    f.Click("inputOpen");
    // One port serves both groups: the output group's button closes it, changing only its text.
    f.Click("outputOpen");
    QCOMPARE(f.Caption("inputOpen"), QStringLiteral("Close Port"));
    f.Choose("outputList", "COM4:");
    f.Click("outputOpen");
    // Toggling the box reopens the open port with the new access, without a word.
    f.Click("samePortBox");
    QCOMPARE(f.Port().GetAccess(), AccessMode::ReadWrite);
    f.Click("samePortBox");
    QCOMPARE(f.Port().GetAccess(), AccessMode::Read);
    // The receiver went away meanwhile: the page must not keep offering to close the port.
    LinkPort(4, "/nonexistent/skylark-tty");
    f.Click("samePortBox");
    QVERIFY(!f.Port().IsOpen());
    QCOMPARE(f.Caption("inputOpen"), QStringLiteral("Open Port"));
    QVERIFY(Find(f.sheet, "inputTest")->isEnabled());
    QCOMPARE(f.messages, (QStringList{"Able to open port for reading and writing.",
                                      "Failed to open port for reading and writing.",
                                      "Beacon connected for reading and writing.",
                                      "Port closed for reading and writing.",
                                      "Failed to open port for writing.",
                                      "Beacon connected for reading.",
                                      "Port closed for writing.",
                                      "Beacon connected for writing.",
                                      "Failed to open port for reading and writing."}));
  }

  void scanListsWhatOpensAndKeepsTheOpenPort() {
    Fixture f;
    f.Click("inputOpen");
    LinkPort(3, f.spare.SlavePath());
    SerialPort other(u"COM3:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite);
    QVERIFY(other.OpenUntimed(u"COM3:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite));
    f.Click("scanButton");
    // COM2: and COM3: lead to one device, which another program holds: neither is listed.
    QCOMPARE(Entries(*f.List("inputList")), QStringList{"COM4:"});
    QCOMPARE(Entries(*f.List("outputList")), QStringList{"COM4:"});
    QVERIFY(f.Port().IsOpen());
    other.Close();
    f.Click("scanButton");
    QCOMPARE(Entries(*f.List("inputList")), (QStringList{"COM2:", "COM3:", "COM4:"}));
    QCOMPARE(f.List("inputList")->currentText(), QStringLiteral("COM4:"));
  }

  void onlyOkSaves() {
    const std::string file = std::getenv("XDG_CONFIG_HOME") + std::string("/saved-settings");
    // Cancel first: the settings file comes into being with the first value saved.
    for (auto button : {QDialogButtonBox::Cancel, QDialogButtonBox::Ok}) {
      const auto settings = platform::posix::OpenSettingsFile(file);
      ApplicationOptions options;
      options.settings = settings.get();
      options.searchSiteFile = false;
      Fixture f(std::move(options));
      f.app.Start();
      f.sheet.findChild<QDialogButtonBox*>()->button(button)->click();
      QCOMPARE(std::filesystem::exists(file), button == QDialogButtonBox::Ok);
      QVERIFY(!f.app.Started());  // shut down either way
    }
  }

  void notificationsBeforeAPageWasShownChangeNothing() {
    Fixture f;
    f.app.SetCurrentSite(BeaconSite{u"Europe", u"Denmark", u"Skagen", 100, 296.5, 452});
    f.app.UpdateState([](SharedState& state) { state.status = {296.5, 100, 9, 50}; });
    f.sheet.statusPage()->onSiteChanged();
    f.sheet.statusPage()->onStatusChanged();
    f.sheet.tunePage()->onSiteChanged();
    QCOMPARE(f.StatusFields(), QStringList(7, QStringLiteral("N/A")));
    QCOMPARE(f.List("regionCombo")->count(), 0);
  }

  void tuningTheSimulatedReceiverThreeWays() {
    SimProcess sim;
    ui::QueuedNotifications notifications;
    ApplicationOptions options;
    options.notifications = &notifications;
    options.firstSiteDirectory = u"" SKYLARK_SOURCE_DIR "/data";
    // A quarter of the protocol's pauses still leaves the reader several passes per wait.
    options.sleeper = [](auto pause) { std::this_thread::sleep_for(pause / 4); };
    Fixture f(std::move(options));
    notifications.SetPages(f.sheet.statusPage(), f.sheet.tunePage());
    // Started last, the simulator's COM4: takes the place of the pseudo-terminal's.
    QVERIFY(sim.Start({"--no-pacing", "--near", "Europe/Kingdom of Denmark", "--settle-ms", "100",
                       "--scan-ms", "100"}));
    f.app.Start();
    f.Click("inputOpen");
    f.sheet.tabs()->setCurrentIndex(1);
    f.Click("siteRadio");
    QCOMPARE(f.Tune(), QStringList());  // no beacon chosen: nothing to tune, but the mode is kept
    QCOMPARE(f.app.TuneModeValue(), kTuneBySite);
    f.Choose("regionCombo", "Europe");
    f.Choose("countryCombo", "Kingdom of Denmark");
    f.Choose("beaconCombo", "Skagen");
    QCOMPARE(f.Tune(), QStringList{"Beacon Tuned Successfully!"});
    QVERIFY(f.app.CurrentSite().Beacon == u"Skagen" && f.app.CurrentSite().Frequency == 296.0);
    QVERIFY(sim.WaitForLog("$GPMSK,296.0,M,100,M,1", std::chrono::seconds(2)));
    f.Click("frequencyRadio");
    f.Choose("frequencyCombo", "289.5");
    f.Choose("rateCombo", "100");
    QCOMPARE(f.Tune(), QStringList{"Beacon Tuned Successfully!"});
    const BeaconSite site = f.app.CurrentSite();
    QVERIFY(site.Beacon == u"Selected by frequncy" && site.Region == u"-" && site.StationId == 0);
    QVERIFY(sim.WaitForLog("$GPMSK,289.5,M,100,M,1", std::chrono::seconds(2)));
    QTRY_COMPARE(f.List("regionCombo")->currentIndex(), 0);  // the site-changed notification
    f.Click("autoRadio");
    QCOMPARE(f.Tune(), QStringList{"Beacon Tuned Successfully!"});
    QVERIFY(sim.WaitForLog("$GPMSK,,A,,A,1", std::chrono::seconds(2)));
    f.sheet.tabs()->setCurrentIndex(2);  // the status poll runs only while this page is shown
    QTRY_COMPARE_WITH_TIMEOUT(f.StatusFields().at(4), QStringLiteral("Yes"), 5000);
    // Closed first: shutting down with the receiver still talking drains its output for seconds.
    f.Click("inputOpen");
  }
};

SKYLARK_UI_TEST_MAIN(PagesTest)
#include "pages_test_posix.moc"

// The Status page through its fields: formats, ranges that leave a field as it was, health with
// the link open and closed, and when it refreshes.

#include <QLabel>

#include "tests/support/pty.h"
#include "tests/ui/support/ui_test_support.h"
#include "ui/status_page.h"

using namespace skylark;
using namespace skylark::testing;

class StatusPageTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    Application app{QuietOptions()};
    ui::StatusPage page{app};
    PtyPair pty;

    Fixture() { app.Monitor().Attach(&app.Link()); }
    bool OpenLink() {
      return LinkPort(4, pty.SlavePath()) &&
             app.Link().InputPort()->Open(u"COM4:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite,
                                          &platform::kReceiverTimeouts);
    }
    QString Field(const char* name) {
      return page.findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    void SetStatus(double frequency, int rate, int snr, int strength) {
      app.UpdateState([&](SharedState& state) {
        state.status.frequency = frequency;
        state.status.mskRate = rate;
        state.status.snr = snr;
        state.status.signalStrength = strength;
      });
    }
  };

 private slots:
  void tuningFieldsShowOnlyInRangeValues_data() {
    QTest::addColumn<double>("frequency");
    QTest::addColumn<int>("rate");
    QTest::addColumn<QString>("frequencyText");
    QTest::addColumn<QString>("rateText");
    // The page starts from 300.0 kHz and 200 bps; out-of-range values keep those.
    QTest::newRow("lowest") << 283.5 << 100 << "283.5 kHz" << "100 bps";
    QTest::newRow("highest") << 325.0 << 150 << "325.0 kHz" << "150 bps";
    QTest::newRow("below") << 283.4 << 99 << "300.0 kHz" << "200 bps";
    QTest::newRow("above") << 325.1 << 201 << "300.0 kHz" << "200 bps";
    QTest::newRow("after automatic tune") << 0.0 << 0 << "300.0 kHz" << "200 bps";
    QTest::newRow("negative rate, good frequency") << 290.0 << -100 << "290.0 kHz" << "200 bps";
  }
  void tuningFieldsShowOnlyInRangeValues() {
    QFETCH(double, frequency);
    QFETCH(int, rate);
    QFETCH(QString, frequencyText);
    QFETCH(QString, rateText);
    Fixture f;
    f.SetStatus(300.0, 200, 0, 0);
    f.page.SetActive();
    f.SetStatus(frequency, rate, 0, 0);
    f.page.onStatusChanged();
    QCOMPARE(f.Field("frequencyField"), frequencyText);
    QCOMPARE(f.Field("rateField"), rateText);
  }

  void healthWithTheLinkOpen_data() {
    QTest::addColumn<int>("snr");
    QTest::addColumn<int>("strength");
    QTest::addColumn<QString>("locked");
    QTest::addColumn<QString>("snrText");
    QTest::addColumn<QString>("strengthText");
    QTest::newRow("just below lock") << 6 << 40 << "No" << "6" << "40";
    QTest::newRow("locked") << 7 << 41 << "Yes" << "7" << "41";
    QTest::newRow("negatives as 0") << -3 << -9 << "No" << "0" << "0";
  }
  void healthWithTheLinkOpen() {
    QFETCH(int, snr);
    QFETCH(int, strength);
    QFETCH(QString, locked);
    QFETCH(QString, snrText);
    QFETCH(QString, strengthText);
    Fixture f;
    QVERIFY(f.OpenLink());
    f.page.SetActive();
    f.SetStatus(300.0, 200, snr, strength);
    f.page.onStatusChanged();
    QCOMPARE(f.Field("lockedField"), locked);
    QCOMPARE(f.Field("snrField"), snrText);
    QCOMPARE(f.Field("signalField"), strengthText);
  }

  void healthWithTheLinkClosedSaysSoWhateverTheSnapshot() {
    Fixture f;
    f.SetStatus(300.0, 200, 20, 60);
    f.page.SetActive();
    QCOMPARE(f.Field("lockedField"), QStringLiteral("Port not open"));
    QCOMPARE(f.Field("snrField"), QStringLiteral("N/A"));
    QCOMPARE(f.Field("signalField"), QStringLiteral("N/A"));
    QCOMPARE(f.app.ActivePageValue(), kStatusPage);
  }

  void firstActivationFillsEveryFieldItCan() {
    Fixture f;
    f.app.SetCurrentSite(MakeSite(u"Europe", u"Denmark", u"Skagen", 100, 296.5, 452));
    f.SetStatus(0.0, 0, 0, 0);  // out of range: stays as the page was drawn
    f.page.SetActive();
    QCOMPARE(f.Field("siteField"), QStringLiteral("Skagen"));
    QCOMPARE(f.Field("stationField"), QStringLiteral("452"));
    QCOMPARE(f.Field("frequencyField"), QStringLiteral("N/A"));
    QCOMPARE(f.Field("rateField"), QStringLiteral("N/A"));
  }

  void siteChangeShowsNoneForNoSite() {
    Fixture f;
    f.page.SetActive();
    f.app.SetCurrentSite(MakeSite(u"-", u"-", u"-", 200, 300.0, 0));  // after tuning by frequency
    f.page.onSiteChanged();
    QCOMPARE(f.Field("siteField"), QStringLiteral("None"));
    QCOMPARE(f.Field("stationField"), QStringLiteral("None"));
  }

  void notificationsBeforeFirstShownChangeNothing() {
    Fixture f;
    f.app.SetCurrentSite(MakeSite(u"Europe", u"Denmark", u"Skagen", 100, 296.5, 452));
    f.SetStatus(296.5, 100, 9, 50);
    f.page.onSiteChanged();
    f.page.onStatusChanged();
    for (const char* field : {"siteField", "stationField", "frequencyField", "rateField",
                              "lockedField", "signalField", "snrField"}) {
      QCOMPARE(f.Field(field), QStringLiteral("N/A"));
    }
  }
};

SKYLARK_UI_TEST_MAIN(StatusPageTest)
#include "status_page_test_posix.moc"

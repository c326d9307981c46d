// The Tune page through its widgets: list contents and order, selection by text, enabling, the
// tune paths that need no receiver, and notifications before the page was ever shown.

#include <QRadioButton>
#include <QPushButton>

#include "receiver/serial_port.h"
#include "tests/support/pty.h"
#include "tests/ui/support/ui_test_support.h"
#include "ui/sorted_list.h"
#include "ui/tune_page.h"

using namespace skylark;
using namespace skylark::testing;

class TunePageTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    Application app{QuietOptions()};
    MessageLog messages;
    ui::TunePage page{app, messages.Recorder()};
    PtyPair pty;

    explicit Fixture(bool lowerCaseRegion = false) {
      auto& catalogue = app.Catalogue();
      if (lowerCaseRegion) {
        catalogue.AddSite(std::make_unique<BeaconSite>(
            MakeSite(u"europe", u"Faroe Islands", u"Akraberg", 100, 291.0, 440)));
      }
      for (const BeaconSite& site :
           {MakeSite(u"Europe", u"Kingdom of Denmark", u"Skagen", 100, 296.5, 452),
            MakeSite(u"Europe", u"Kingdom of Denmark", u"Blavandshuk", 100, 290.0, 453),
            MakeSite(u"Europe", u"Kingdom of Denmark", u"Skagen", 200, 299.0, 454),
            MakeSite(u"Europe", u"French Republic", u"Gatteville", 100, 307.0, 461),
            MakeSite(u"Asia", u"Japan", u"Daiozaki", 200, 288.0, 700)}) {
        catalogue.AddSite(std::make_unique<BeaconSite>(site));
      }
      app.Monitor().Attach(&app.Link());
    }
    bool OpenLink() {
      return LinkPort(4, pty.SlavePath()) &&
             app.Link().InputPort()->Open(u"COM4:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite,
                                          &platform::kReceiverTimeouts);
    }
    template <typename T>
    T* Find(const char* name) {
      return page.findChild<T*>(QString::fromLatin1(name));
    }
    QComboBox* List(const char* name) { return Find<QComboBox>(name); }
  };

 private slots:
  void fixedListsHoldBlankAndEveryValue() {
    Fixture f;
    f.page.SetActive();
    const QStringList frequencies = Entries(*f.List("frequencyCombo"));
    QCOMPARE(frequencies.size(), 85);
    QCOMPARE(frequencies.first(), QString());
    QCOMPARE(frequencies.at(1), QStringLiteral("283.5"));
    QCOMPARE(frequencies.at(2), QStringLiteral("284.0"));
    QCOMPARE(frequencies.last(), QStringLiteral("325.0"));
    QCOMPARE(f.List("frequencyCombo")->itemData(1).value<quintptr>(), quintptr{28350});
    QCOMPARE(Entries(*f.List("rateCombo")), (QStringList{QString(), "100", "200"}));
  }

  void regionsDifferingInCaseAreBothListed() {
    Fixture f(true);
    f.app.SetCurrentSite(MakeSite(u"EUROPE", u"", u"", 100, 291.0, 440));
    f.page.SetActive();
    QStringList regions = Entries(*f.List("regionCombo"));
    QCOMPARE(regions.mid(0, 2), (QStringList{QString(), "Asia"}));
    QCOMPARE(regions.size(), 4);
    QCOMPARE(regions.at(2).toLower(), QStringLiteral("europe"));
    QCOMPARE(regions.at(3).toLower(), QStringLiteral("europe"));
    QVERIFY(regions.at(2) != regions.at(3));
    // Either spelling selects the first of the two in list order.
    QCOMPARE(f.List("regionCombo")->currentIndex(), 2);
  }

  void sameNamedBeaconsAreBothListedAndTheFirstIsSelected() {
    Fixture f;
    f.app.SetCurrentSite(MakeSite(u"EUROPE", u"kingdom of denmark", u"skagen", 200, 299.0, 454));
    f.page.SetActive();
    QCOMPARE(Entries(*f.List("regionCombo")), (QStringList{QString(), "Asia", "Europe"}));
    QCOMPARE(Entries(*f.List("countryCombo")),
             (QStringList{QString(), "French Republic", "Kingdom of Denmark"}));
    QCOMPARE(Entries(*f.List("beaconCombo")), (QStringList{QString(), "Blavandshuk", "Skagen", "Skagen"}));
    QCOMPARE(f.List("beaconCombo")->currentIndex(), 2);
    const auto* first = reinterpret_cast<const BeaconSite*>(ui::SelectedData(*f.List("beaconCombo")));
    QCOMPARE(int(first->StationId), 452);  // file order among equal names
  }

  void selectByTextTestsTheBlankEntryLast_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selected");
    QTest::newRow("exact") << QStringList{"", "100", "200"} << "200" << 2;
    QTest::newRow("ignores case") << QStringList{"", "Asia", "Europe"} << "EUROPE" << 2;
    QTest::newRow("first of equals") << QStringList{"", "europe", "Europe"} << "Europe" << 1;
    QTest::newRow("no match") << QStringList{"", "283.5"} << "313.7" << 0;
    QTest::newRow("empty text") << QStringList{"", "Asia"} << "" << 0;
    QTest::newRow("whole text only") << QStringList{"", "Asia"} << "As" << 0;
    QTest::newRow("empty list") << QStringList{} << "Asia" << -1;
  }
  void selectByTextTestsTheBlankEntryLast() {
    QFETCH(QStringList, entries);
    QFETCH(QString, text);
    QFETCH(int, selected);
    QComboBox list;
    for (const QString& entry : entries) list.addItem(entry);
    list.setCurrentIndex(-1);
    ui::SelectByText(list, text);
    QCOMPARE(list.currentIndex(), selected);
  }

  void enablingFollowsModeAndLink_data() {
    QTest::addColumn<bool>("linkOpen");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("buttons");
    QTest::addColumn<bool>("siteLists");
    QTest::addColumn<bool>("frequencyLists");
    for (int mode : {0, 1, 2}) {
      QTest::addRow("closed, mode %d", mode) << false << mode << false << false << false;
    }
    QTest::newRow("open, automatic") << true << 0 << true << false << false;
    QTest::newRow("open, by frequency") << true << 1 << true << false << true;
    QTest::newRow("open, by site") << true << 2 << true << true << false;
  }
  void enablingFollowsModeAndLink() {
    QFETCH(bool, linkOpen);
    QFETCH(int, mode);
    QFETCH(bool, buttons);
    QFETCH(bool, siteLists);
    QFETCH(bool, frequencyLists);
    Fixture f;
    if (linkOpen) QVERIFY(f.OpenLink());
    f.app.SetTuneMode(mode);
    f.page.SetActive();
    for (const char* name : {"autoRadio", "frequencyRadio", "siteRadio", "tuneButton"}) {
      QCOMPARE(f.Find<QWidget>(name)->isEnabled(), buttons);
    }
    for (const char* name : {"regionCombo", "countryCombo", "beaconCombo"}) {
      QCOMPARE(f.Find<QWidget>(name)->isEnabled(), siteLists);
    }
    for (const char* name : {"frequencyCombo", "rateCombo"}) {
      QCOMPARE(f.Find<QWidget>(name)->isEnabled(), frequencyLists);
    }
  }

  void choosingRegionOrCountryBlanksTheNextList() {
    Fixture f;
    f.app.SetCurrentSite(MakeSite(u"Europe", u"French Republic", u"Gatteville", 100, 307.0, 461));
    f.page.SetActive();
    QComboBox* region = f.List("regionCombo");
    QComboBox* beacon = f.List("beaconCombo");
    QCOMPARE(beacon->currentText(), QStringLiteral("Gatteville"));
    region->setCurrentIndex(1);
    emit region->activated(1);
    QCOMPARE(f.List("countryCombo")->currentIndex(), 0);
    QCOMPARE(Entries(*f.List("countryCombo")), (QStringList{QString(), "Japan"}));
    QCOMPARE(beacon->currentText(), QStringLiteral("Gatteville"));  // untouched until a country
    f.List("countryCombo")->setCurrentIndex(1);
    emit f.List("countryCombo")->activated(1);
    QCOMPARE(Entries(*beacon), (QStringList{QString(), "Daiozaki"}));
    QCOMPARE(beacon->currentIndex(), 0);
  }

  void tuneBySiteWithBlankBeaconDoesNothing() {
    Fixture f;
    QVERIFY(f.OpenLink());
    f.app.SetTuneMode(kTuneBySite);
    f.page.SetActive();
    f.Find<QPushButton>("tuneButton")->click();
    QCOMPARE(f.messages.texts, QStringList());
    QCOMPARE(f.app.TuneModeValue(), kTuneBySite);
  }

  void tuneByFrequencyWritesTheSiteEvenWhenTuningFails() {
    Fixture f;
    QVERIFY(f.OpenLink());
    f.app.SetTuneMode(kTuneByFrequency);
    f.page.SetActive();
    f.List("frequencyCombo")->setCurrentText(QStringLiteral("300.0"));
    f.List("rateCombo")->setCurrentText(QStringLiteral("200"));
    f.app.Link().InputPort()->Close();  // the tune then fails at once
    f.Find<QPushButton>("tuneButton")->click();
    QCOMPARE(f.messages.texts, QStringList{"Beacon tuning failed. Check beacon port settings."});
    const BeaconSite site = f.app.CurrentSite();
    QCOMPARE(site.Frequency, 300.0);
    QCOMPARE(int(site.MskRate), 200);
    QCOMPARE(int(site.StationId), 0);
    QVERIFY(site.Region == u"-" && site.Country == u"-" && site.Beacon == u"-");
    f.page.onSiteChanged();
    QCOMPARE(f.List("regionCombo")->currentIndex(), 0);
    QCOMPARE(f.List("frequencyCombo")->currentText(), QStringLiteral("300.0"));
    QCOMPARE(f.List("rateCombo")->currentText(), QStringLiteral("200"));
  }

  void activationReselectsFromTheCurrentSite() {
    Fixture f;
    f.page.SetActive();
    f.app.SetCurrentSite(MakeSite(u"", u"", u"", 0, 313.7, 0));  // off the 0.5 kHz grid
    f.page.SetActive();
    QCOMPARE(f.List("frequencyCombo")->currentIndex(), 0);
    QCOMPARE(f.List("rateCombo")->currentIndex(), 0);
    QCOMPARE(f.app.ActivePageValue(), kTunePage);
  }

  void notificationBeforeFirstShownChangesNothing() {
    Fixture f;
    f.page.onSiteChanged();
    QCOMPARE(f.List("frequencyCombo")->count(), 0);
    QCOMPARE(f.List("regionCombo")->count(), 0);
  }
};

SKYLARK_UI_TEST_MAIN(TunePageTest)
#include "tune_page_test_posix.moc"

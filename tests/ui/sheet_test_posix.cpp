// The sheet: its caption, pages and buttons, the active page as the user turns pages, and
// OK saving before shutdown while every other way out shuts down without saving.

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>

#include <thread>

#include "tests/ui/support/ui_test_support.h"
#include "ui/configuration_sheet.h"
#include "ui/queued_notifications.h"

using namespace skylark;
using namespace skylark::testing;

class SheetTest : public QObject {
  Q_OBJECT

 private slots:
  void pagesButtonsAndCaption() {
    Application app(QuietOptions());
    ui::ConfigurationSheet sheet(app, MessageLog().Recorder());
    QCOMPARE(sheet.windowTitle(), QStringLiteral("Trekline Beacon Configuration"));
    QStringList titles;
    for (int i = 0; i < sheet.tabs()->count(); ++i) titles << sheet.tabs()->tabText(i);
    QCOMPARE(titles, (QStringList{"Configure", "Tune", "Status"}));
    QCOMPARE(sheet.tabs()->currentIndex(), 0);
    auto* buttons = sheet.findChild<QDialogButtonBox*>();
    QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  }

  void turningPagesSetsTheActivePage() {
    Application app(QuietOptions());
    ui::ConfigurationSheet sheet(app, MessageLog().Recorder());
    const std::pair<int, std::int32_t> turns[] = {
        {1, kTunePage}, {2, kStatusPage}, {0, kConfigurationPage}, {2, kStatusPage}};
    for (const auto& [tab, page] : turns) {
      sheet.tabs()->setCurrentIndex(tab);
      QCOMPARE(app.ActivePageValue(), page);
    }
  }

  void notificationsFromAWorkerArriveLaterOnTheMainThread() {
    Application app(QuietOptions());
    auto sheet = std::make_unique<ui::ConfigurationSheet>(app, MessageLog().Recorder());
    ui::QueuedNotifications notifications;
    notifications.PostSiteChanged();  // no pages yet: reaches nobody
    QCoreApplication::processEvents();
    notifications.SetPages(sheet->statusPage(), sheet->tunePage());
    sheet->tabs()->setCurrentIndex(1);
    sheet->tabs()->setCurrentIndex(2);
    auto* site = sheet->findChild<QLabel*>(QStringLiteral("siteField"));
    auto* frequency = sheet->findChild<QLabel*>(QStringLiteral("frequencyField"));
    auto* frequencyList = sheet->findChild<QComboBox*>(QStringLiteral("frequencyCombo"));
    std::thread worker([&] {
      app.SetCurrentSite(MakeSite(u"Europe", u"-", u"Skagen", 100, 296.0, 453));
      notifications.PostSiteChanged();
      app.UpdateState([](SharedState& state) { state.status.frequency = 296.0; });
      notifications.PostStatusChanged();
    });
    worker.join();
    QCOMPARE(site->text(), QStringLiteral("None"));  // nothing ran on the worker
    QCoreApplication::processEvents();
    QCOMPARE(site->text(), QStringLiteral("Skagen"));
    QCOMPARE(frequency->text(), QStringLiteral("296.0 kHz"));
    QCOMPARE(frequencyList->currentText(), QStringLiteral("296.0"));
    sheet.reset();  // pages gone: later notifications reach nobody
    notifications.PostSiteChanged();
    notifications.PostStatusChanged();
    QCoreApplication::processEvents();
  }

  void onlyOkSaves_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("saves");
    QTest::newRow("OK") << "ok" << true;
    QTest::newRow("Cancel") << "cancel" << false;
    QTest::newRow("Esc") << "escape" << false;
    QTest::newRow("close box") << "close" << false;
  }
  void onlyOkSaves() {
    QFETCH(QString, way);
    QFETCH(bool, saves);
    MemorySettings settings;
    Application app(QuietOptions(&settings));
    app.Start();
    ui::ConfigurationSheet sheet(app, MessageLog().Recorder());
    sheet.show();
    auto* buttons = sheet.findChild<QDialogButtonBox*>();
    if (way == "ok") buttons->button(QDialogButtonBox::Ok)->click();
    if (way == "cancel") buttons->button(QDialogButtonBox::Cancel)->click();
    if (way == "escape") QTest::keyClick(&sheet, Qt::Key_Escape);
    if (way == "close") sheet.close();
    QVERIFY(!sheet.isVisible());
    QCOMPARE(settings.writes > 0, saves);
    QVERIFY(!app.Started());  // shut down either way
  }
};

SKYLARK_UI_TEST_MAIN(SheetTest)
#include "sheet_test_posix.moc"

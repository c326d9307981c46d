// The Configuration page against pseudo-terminals: open and close in both group layouts, the
// same-port box, Test and Scan, and the messages completed with the access words.

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>

#include "tests/support/pty.h"
#include "tests/ui/support/ui_test_support.h"
#include "ui/configuration_page.h"

using namespace skylark;
using namespace skylark::testing;

class ConfigurationPageTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    Application app{QuietOptions()};
    MessageLog messages;
    ui::ConfigurationPage page{app, messages.Recorder()};
    PtyPair receiver;  // COM4:
    PtyPair spare;     // COM2:

    Fixture() {
      // Every other name leads nowhere, whatever devices this machine has.
      for (int n = 1; n <= 9; ++n) LinkPort(n, "/nonexistent/skylark-tty");
      LinkPort(4, receiver.SlavePath());
      LinkPort(2, spare.SlavePath());
      app.Monitor().Attach(&app.Link());
      page.SetActive();
    }
    template <typename T>
    T* Find(const char* name) {
      return page.findChild<T*>(QString::fromLatin1(name));
    }
    void Click(const char* name) { Find<QAbstractButton>(name)->click(); }
    void Choose(const char* list, const char* portName) {
      Find<QComboBox>(list)->setCurrentText(QString::fromLatin1(portName));
    }
    QString ButtonText(const char* name) { return Plain(Find<QAbstractButton>(name)->text()); }
    ReceiverPort& Port() { return *app.Link().InputPort(); }
  };

 private slots:
  void startsCheckedWithTheOutputGroupOff() {
    Fixture f;
    QVERIFY(f.Find<QCheckBox>("samePortBox")->isChecked());
    QCOMPARE(f.Find<QGroupBox>("inputGroup")->title(), QStringLiteral("Input and Output Port"));
    QCOMPARE(f.Find<QGroupBox>("outputGroup")->title(), QString());
    QCOMPARE(Entries(*f.Find<QComboBox>("inputList")).size(), 9);
    QVERIFY(!f.Find<QWidget>("outputOpen")->isEnabled());
    QCOMPARE(f.ButtonText("inputOpen"), QStringLiteral("Open Port"));
  }

  void openAndCloseForBothDirections() {
    Fixture f;
    f.Choose("inputList", "COM4:");
    f.Click("inputOpen");
    QCOMPARE(f.messages.TakeLast(), QStringLiteral("Beacon connected for reading and writing."));
    QVERIFY(f.Port().IsOpen());
    QCOMPARE(f.ButtonText("inputOpen"), QStringLiteral("Close Port"));
    QVERIFY(!f.Find<QWidget>("inputTest")->isEnabled());
    f.Click("inputOpen");
    QCOMPARE(f.messages.TakeLast(), QStringLiteral("Port closed for reading and writing."));
    QVERIFY(!f.Port().IsOpen());
    QCOMPARE(f.ButtonText("inputOpen"), QStringLiteral("Open Port"));
    QVERIFY(f.Find<QWidget>("inputTest")->isEnabled());
  }

  void separateGroupsShareTheOnePort() {
    Fixture f;
    f.Click("samePortBox");
    QCOMPARE(f.Find<QGroupBox>("outputGroup")->title(), QStringLiteral("Output Port"));
    QVERIFY(f.Find<QWidget>("outputOpen")->isEnabled());
    f.Choose("inputList", "COM4:");
    f.Choose("outputList", "COM4:");
    f.Click("inputOpen");
    QCOMPARE(f.messages.TakeLast(), QStringLiteral("Beacon connected for reading."));
    QCOMPARE(f.Port().GetAccess(), AccessMode::Read);
    // The output group's button closes the port the input group opened; only its text changes.
    f.Click("outputOpen");
    QCOMPARE(f.messages.TakeLast(), QStringLiteral("Port closed for writing."));
    QVERIFY(!f.Port().IsOpen());
    QCOMPARE(f.ButtonText("inputOpen"), QStringLiteral("Close Port"));
    f.Click("outputOpen");
    QCOMPARE(f.messages.TakeLast(), QStringLiteral("Beacon connected for writing."));
    QCOMPARE(f.Port().GetAccess(), AccessMode::Write);
  }

  void togglingTheBoxReopensSilently() {
    Fixture f;
    f.Choose("inputList", "COM4:");
    f.Click("inputOpen");
    f.messages.texts.clear();
    f.Click("samePortBox");
    QVERIFY(f.Port().IsOpen());
    QCOMPARE(f.Port().GetAccess(), AccessMode::Read);
    f.Click("samePortBox");
    QCOMPARE(f.Port().GetAccess(), AccessMode::ReadWrite);
    QCOMPARE(f.messages.texts, QStringList());
    QCOMPARE(f.ButtonText("inputOpen"), QStringLiteral("Close Port"));
  }

  void aFailedReopenIsReportedAndOffersToOpen() {
    Fixture f;
    f.Choose("inputList", "COM4:");
    f.Click("inputOpen");
    f.messages.texts.clear();
    LinkPort(4, "/nonexistent/skylark-tty");  // the receiver went away
    f.Click("samePortBox");
    QVERIFY(!f.Port().IsOpen());
    QCOMPARE(f.messages.texts, QStringList{"Failed to open port for reading."});
    QCOMPARE(f.ButtonText("inputOpen"), QStringLiteral("Open Port"));
    QVERIFY(f.Find<QWidget>("inputTest")->isEnabled());
  }

  void testAndFailedOpenNameTheGroupsAccess_data() {
    QTest::addColumn<bool>("samePort");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("testMessage");
    QTest::newRow("same port, no device") << true << "input" << "COM7:"
                                          << "Failed to open port for reading and writing.";
    QTest::newRow("input, no device") << false << "input" << "COM7:" << "Failed to open port for reading.";
    QTest::newRow("output, no device") << false << "output" << "COM7:" << "Failed to open port for writing.";
    QTest::newRow("same port, free device") << true << "input" << "COM2:"
                                            << "Able to open port for reading and writing.";
  }
  void testAndFailedOpenNameTheGroupsAccess() {
    QFETCH(bool, samePort);
    QFETCH(QString, group);
    QFETCH(QString, port);
    QFETCH(QString, testMessage);
    Fixture f;
    if (!samePort) f.Click("samePortBox");
    const QByteArray prefix = group.toLatin1();
    f.Find<QComboBox>((prefix + "List").constData())->setCurrentText(port);
    f.Click((prefix + "Test").constData());
    QCOMPARE(f.messages.TakeLast(), testMessage);
    // A test never touches the link's port.
    QVERIFY(!f.Port().IsOpen());
    QCOMPARE(f.Port().Name(), std::u16string(u"COM4:"));
    if (testMessage.startsWith(QStringLiteral("Failed"))) {
      f.Click((prefix + "Open").constData());
      QCOMPARE(f.messages.TakeLast(), testMessage);
      QVERIFY(f.Find<QWidget>((prefix + "Test").constData())->isEnabled());
    }
  }

  void scanListsWhatOpensAndKeepsTheOpenPort() {
    Fixture f;
    f.Choose("inputList", "COM4:");
    f.Click("inputOpen");
    LinkPort(3, f.spare.SlavePath());
    SerialPort other(u"COM3:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite);
    QVERIFY(other.OpenUntimed(u"COM3:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite));
    f.Click("scanButton");
    // COM2 and COM3 lead to one device, which another program holds: neither is listed.
    QCOMPARE(Entries(*f.Find<QComboBox>("inputList")), QStringList{"COM4:"});
    QCOMPARE(Entries(*f.Find<QComboBox>("outputList")), QStringList{"COM4:"});
    QVERIFY(f.Port().IsOpen());
    other.Close();
    f.Click("scanButton");
    QCOMPARE(Entries(*f.Find<QComboBox>("inputList")), (QStringList{"COM2:", "COM3:", "COM4:"}));
    QCOMPARE(f.Find<QComboBox>("inputList")->currentText(), QStringLiteral("COM4:"));
  }
};

SKYLARK_UI_TEST_MAIN(ConfigurationPageTest)
#include "configuration_page_test_posix.moc"

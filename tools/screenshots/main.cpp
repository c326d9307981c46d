// Renders the sheet's three pages after a tune by site against the simulated receiver on COM4:
// and a minute of readings, for the README: skylark-screenshots <output directory>. Run by
// scripts/screenshots.

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <cstdio>

#include "tests/ui/support/ui_test_support.h"
#include "ui/qt/configuration_sheet.h"
#include "ui/qt/queued_notifications.h"

using namespace skylark;
using namespace skylark::testing;

namespace {

void Settle(int milliseconds) {
  QDeadlineTimer deadline(milliseconds);
  while (!deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qtApp(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: skylark-screenshots <output directory>\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  ui::QueuedNotifications notifications;
  ApplicationOptions options;
  options.notifications = &notifications;
  options.firstSiteDirectory = u"" SKYLARK_SOURCE_DIR "/data";
  Application app(std::move(options));
  app.Start();
  ui::ConfigurationSheet sheet(app, [](const QString& text) {
    std::printf("message: %s\n", text.toUtf8().constData());
  });
  notifications.SetSheet(&sheet);
  sheet.show();

  Find<QComboBox>(sheet, "inputList")->setCurrentText(QStringLiteral("COM4:"));
  Find<QPushButton>(sheet, "inputOpen")->click();
  sheet.tabs()->setCurrentIndex(1);
  Find<QRadioButton>(sheet, "siteRadio")->click();
  Choose(sheet, "regionCombo", "Europe");
  Choose(sheet, "countryCombo", "Kingdom of Denmark");
  Choose(sheet, "beaconCombo", "Skagen");
  Find<QPushButton>(sheet, "tuneButton")->click();
  QDeadlineTimer tuned(8000);
  while (!tuned.hasExpired() && sheet.rules().Busy()) Settle(100);
  sheet.tabs()->setCurrentIndex(2);
  QDeadlineTimer locked(8000);
  while (!locked.hasExpired() && Find<QLabel>(sheet, "lockedField")->text() != QStringLiteral("Yes")) {
    Settle(100);
  }
  // The signal log, in the scratch directory, fills as the chart does.
  const QString log =
      QDir(qEnvironmentVariable("XDG_RUNTIME_DIR", QDir::tempPath())).filePath(QStringLiteral("route.csv"));
  sheet.statusPage()->setPathFunction([log](QWidget*) { return log; });
  Find<QPushButton>(sheet, "recordButton")->click();
  // A minute of readings, so that the chart shows a trend.
  Settle(60'000);

  bool saved = true;
  const char* names[] = {"configuration.png", "tune.png", "status.png"};
  for (int page = 0; page < 3; ++page) {
    sheet.tabs()->setCurrentIndex(page);
    Settle(200);
    saved = sheet.grab().save(out.filePath(QString::fromLatin1(names[page]))) && saved;
  }
  // Leave the receiver as tuned: close the port before the sheet shuts down.
  sheet.tabs()->setCurrentIndex(0);
  Find<QPushButton>(sheet, "inputOpen")->click();
  sheet.reject();
  return saved ? 0 : 1;
}

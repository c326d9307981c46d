// The graphical program: one modal sheet over the application core.

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "app/application.h"
#include "platform/settings_store.h"
#include "platform/stop_requests.h"
#include "resources/strings.h"
#include "resources/version.h"
#include "ui/qt/configuration_sheet.h"
#include "ui/qt/queued_notifications.h"
#include "ui/qt/ui_support.h"

namespace {

class SiteFileMessage : public skylark::SiteFileReporter {
 public:
  void SiteFileOpenFailed() override {
    skylark::ui::ShowMessageBox(skylark::ui::Text(skylark::resources::kSiteFileOpenFailed));
  }
};

// --help and --version answer before Qt starts, so that they work without a display (over SSH).
bool AnsweredOption(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(skylark::resources::ToUtf8(skylark::resources::LoadText(skylark::resources::kGuiUsage)).c_str(),
                 stdout);
      return true;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::puts("skylark " SKYLARK_VERSION_TEXT);
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnsweredOption(argc, argv)) return 0;
  // Before Qt or the core start a thread: only the watcher below sees SIGTERM and its like.
  skylark::platform::BlockStopRequests();
  // The program takes no arguments of its own but these; Qt's (-platform and the like) still work.
  QApplication qtApp(argc, argv);
  // Ties the window to its menu entry, so that docks and task bars show the program's icon
  // (its X11 class is the program's name, "skylark", as the entry's StartupWMClass says).
  QGuiApplication::setDesktopFileName(QStringLiteral("com.corvane.skylark"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("com.corvane.skylark")));
  skylark::ui::WaitCursor wait;

  skylark::ui::QueuedNotifications notifications;
  SiteFileMessage siteFileMessage;
  const auto settings = skylark::platform::OpenMachineSettings();
  skylark::ApplicationOptions options;
  options.settings = settings.get();
  options.notifications = &notifications;
  options.siteFileReporter = &siteFileMessage;
  skylark::Application app(std::move(options));

  // A second instance ends silently.
  if (!app.Initialize()) return 0;

  skylark::ui::ConfigurationSheet sheet(app, skylark::ui::ShowMessageBox);
  notifications.SetSheet(&sheet);
  // SIGTERM, SIGHUP and SIGINT close the window as Cancel does; while a tune, a Test or a Scan
  // runs Cancel waits, so it is tried again until the window goes.
  QTimer leave;
  leave.setInterval(200);
  QObject::connect(&leave, &QTimer::timeout, &sheet, [&sheet] { sheet.reject(); });
  static std::mutex shownLock;
  static skylark::ui::ConfigurationSheet* shown = &sheet;
  skylark::platform::WatchStopRequests([&leave] {
    std::lock_guard lock(shownLock);
    if (shown == nullptr) return;  // already leaving
    QMetaObject::invokeMethod(shown, [&leave] {
      if (shown == nullptr) return;
      shown->reject();
      if (shown->isVisible()) leave.start();
    }, Qt::QueuedConnection);
  });
  wait.Restore();
  sheet.exec();
  leave.stop();
  {
    std::lock_guard lock(shownLock);
    shown = nullptr;
  }
  // The window is gone before the receiver is stopped and retuned, which takes seconds.
  qtApp.processEvents();
  app.Shutdown();
  return 0;
}

// The graphical program: one modal sheet over the application core.

#include <QApplication>
#include <QIcon>

#include "app/application.h"
#include "platform/settings_store.h"
#include "resources/strings.h"
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

}  // namespace

int main(int argc, char** argv) {
  // The program takes no arguments of its own; Qt's (-platform and the like) still work.
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
  wait.Restore();
  sheet.exec();
  // The window is gone before the receiver is stopped and retuned, which takes seconds.
  qtApp.processEvents();
  app.Shutdown();
  return 0;
}

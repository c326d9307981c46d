// The graphical program on Windows: one modal property sheet over the application core.

#include <windows.h>

#include <commctrl.h>

#include "app/application.h"
#include "platform/settings_store.h"
#include "resources/strings.h"
#include "ui/rules/sheet_rules.h"
#include "ui/win32/dialog_controls.h"
#include "ui/win32/hidden_window.h"
#include "ui/win32/sheet_view.h"
#include "ui/win32/signal_chart.h"

namespace {

constexpr DWORD kLongestShutdownMs = 10000;

class SiteFileMessage : public skylark::SiteFileReporter {
 public:
  void SiteFileOpenFailed() override {
    skylark::win32ui::ShowOutcome(nullptr, skylark::rules::MessageOf(skylark::resources::kSiteFileOpenFailed));
  }
};

}  // namespace

// The command line is not interpreted.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace skylark;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  if (!win32ui::RegisterHiddenWindowClass(instance) || !win32ui::RegisterSignalChartClass(instance)) return -1;

  win32ui::WaitCursor wait;
  win32ui::WindowNotifications notifications;
  SiteFileMessage siteFileMessage;
  const auto settings = platform::OpenMachineSettings();
  ApplicationOptions options;
  options.settings = settings.get();
  options.notifications = &notifications;
  options.siteFileReporter = &siteFileMessage;
  Application app(std::move(options));

  // A start just after OK or Cancel waits for that Skylark's shutdown rather than being turned
  // away by it: up to the retune's 2 s pause and 2 s reply wait and 2 s for each thread.
  win32ui::AwaitEndingInstance(kLongestShutdownMs);
  const HWND hiddenWindow = win32ui::CreateHiddenWindow(instance);
  // A second instance ends silently; the running one is left alone.
  if (hiddenWindow == nullptr || !app.Initialize()) return 0;
  notifications.SetWindow(hiddenWindow);
  win32ui::SetEndSessionAction([&app] { app.Shutdown(); });

  rules::SheetRules sheet(app);
  win32ui::SheetView view(sheet);
  wait.Restore();
  view.Run(instance, hiddenWindow);

  // The sheet is gone before the shutdown talks to the receiver, which takes seconds; so is the
  // hidden window, which tells a new start that this Skylark is ending.
  notifications.SetWindow(nullptr);
  win32ui::SetEndSessionAction(nullptr);
  ::DestroyWindow(hiddenWindow);
  app.Shutdown();
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}

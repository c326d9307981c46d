#include "platform/stop_requests.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <utility>

namespace skylark::platform {
namespace {

std::function<void()> stopHandler;
std::atomic_int requests{0};

// Windows calls this on a thread of its own.
BOOL WINAPI OnConsoleControl(DWORD event) {
  if (requests.fetch_add(1) > 0) std::_Exit(128 + 15);
  if (stopHandler) stopHandler();
  // After a close, logoff or shutdown event the process ends when this returns: give the main
  // thread the few seconds Windows allows to put the port back first.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) ::Sleep(4000);
  return TRUE;
}

}  // namespace

void BlockStopRequests() {}

void WatchStopRequests(std::function<void()> onStop) {
  stopHandler = std::move(onStop);
  ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

}  // namespace skylark::platform

#include "platform/stop_requests.h"

#include <pthread.h>
#include <signal.h>

#include <cstdlib>
#include <thread>
#include <utility>

namespace skylark::platform {
namespace {

sigset_t StopSignals() {
  sigset_t set;
  ::sigemptyset(&set);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaddset(&set, signal);
  return set;
}

}  // namespace

void BlockStopRequests() {
  const sigset_t set = StopSignals();
  ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

// sigwait on a thread of its own: no work is ever done inside a signal handler.
void WatchStopRequests(std::function<void()> onStop) {
  BlockStopRequests();
  std::thread([onStop = std::move(onStop)] {
    const sigset_t set = StopSignals();
    int signal = 0;
    if (::sigwait(&set, &signal) != 0) return;
    onStop();
    // A user who asks twice does not want to wait for the port to be put back.
    if (::sigwait(&set, &signal) == 0) std::_Exit(128 + signal);
  }).detach();
}

}  // namespace skylark::platform

#pragma once

#include <functional>

// The requests to end that come from outside the program: SIGINT, SIGTERM and SIGHUP on POSIX
// (Ctrl-C, `timeout`, a logout, a closed terminal), the console's control events on Windows.
// Each program turns the first into its own Cancel or end of command, so that the port is
// closed, its line settings restored and its lock released; a second one ends it at once.
namespace skylark::platform {

// Holds the requests back from this thread and from every thread it starts later, so that only
// the watcher sees them: call it first in main, before any thread exists. A request that comes
// before WatchStopRequests waits for it.
void BlockStopRequests();

// Calls `onStop` on a thread of its own at the first request; it must only hand the request on
// (set a flag, post to the main thread), never do the work itself.
void WatchStopRequests(std::function<void()> onStop);

}  // namespace skylark::platform

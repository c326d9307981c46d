#pragma once

#include "sim/event_log.h"
#include "sim/sim_line.h"
#include "sim/simulated_receiver.h"

namespace skylark::sim {

// A descriptor that becomes readable when SIGINT, SIGTERM or SIGHUP arrives; -1 on failure.
int InstallStopSignals();

// Plays the receiver on the line until "quit" on standard input or a stop signal. Operator
// commands come from standard input, one a line; its end is not a quit, so the simulator can
// run in the background. After "hangup" the line stays closed and the simulator waits for quit.
void Serve(SimLine& line, SimulatedReceiver& receiver, EventLog& log,
           EventLog::Clock::time_point start, bool pacing, int stopFd);

}  // namespace skylark::sim

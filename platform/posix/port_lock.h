#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "platform/serial_line.h"

// The UUCP lock file that serial programs (minicom, gpsd, cu, ModemManager's peers) honour:
// "LCK..<device>" in the lock directory, holding the owner's PID as ten ASCII digits, right
// aligned, and a newline. Taken before the device is opened, so a port that another program
// holds is never touched.
namespace skylark::platform::posix {

// /run/lock. Tests point every process they start at a directory of their own through the
// SKYLARK_TEST_LOCK_DIR environment variable, so they never lock the machine's devices.
std::string LockDirectory();

// "LCK..ttyUSB0" for /dev/ttyUSB0; a device below /dev keeps its sub-directories with '/'
// made '_' ("LCK..pts_3"), one elsewhere only its file name.
std::string LockFileName(const std::string& device);

struct LockAttempt {
  enum class Outcome { Taken, Held, Unavailable };
  Outcome outcome = Outcome::Unavailable;
  std::string path;  // Taken: the lock file, for ReleasePortLock
  pid_t holder = 0;  // Held: the PID the lock file names (this process's own included)
  int error = 0;     // Unavailable: why the lock directory could not be used
};

// Takes the lock of `device` (a resolved device path) in `directory`. A lock left by a process
// that no longer runs, or one that names no PID and is older than a few seconds, is removed and
// taken over; of several programs doing so at once, exactly one gets the lock.
LockAttempt TakePortLock(const std::string& directory, const std::string& device);

// True when a live lock on `device` is in `directory`: one naming a running process (its PID in
// `holder`), or one too young to have its PID written yet (`holder` 0). Only looks.
bool PortLockHeld(const std::string& directory, const std::string& device, pid_t& holder);

// The process that holds `device` with flock() or fcntl() (picocom, screen), found in the
// kernel's lock table `locks` (/proc/locks) without opening the device; 0 when none does.
pid_t KernelLockHolder(const std::string& locks, const std::string& device);

// A process's program name ("picocom"), from /proc; empty when it is gone.
std::string ProgramName(pid_t pid);

// Removes the lock file, but only while it still names this process.
void ReleasePortLock(const std::string& path);

// The line, holding its lock file until it is closed or destroyed.
std::unique_ptr<SerialLine> KeepPortLock(std::unique_ptr<SerialLine> line, std::string path);

// Says once per process, on standard error, that ports are opened without the UUCP lock.
void ReportLockUnavailable(const std::string& directory, int error);

}  // namespace skylark::platform::posix

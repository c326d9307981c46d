#pragma once

#include <memory>
#include <string_view>

// Events in the Win32 sense: signalled or not, manual or automatic reset, optionally named so
// that other processes can signal them.
namespace skylark::platform {

class Event {
 public:
  virtual ~Event() = default;
  virtual void Set() = 0;
  virtual void Reset() = 0;
  // True when the event was signalled within `timeoutMs` (an automatic-reset event is then
  // reset by the wait).
  virtual bool Wait(int timeoutMs) = 0;
};

// A new event, or the existing one of that name (which other processes may signal too). An
// empty name makes a private event. Null when it cannot be made.
std::unique_ptr<Event> CreateEvent(bool manualReset, bool initiallySet, std::u16string_view name = {});

enum class WaitResult { First, Second, Timeout, Failed };

// Waits until either event is signalled; the first wins when both are.
WaitResult WaitForEither(Event& first, Event& second, int timeoutMs);

// Signals a named event from outside the process that created it; false when there is none.
bool SignalNamedEvent(std::u16string_view name);

}  // namespace skylark::platform

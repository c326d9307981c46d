#include "platform/events.h"

#include <windows.h>
// windows.h renames CreateEvent to CreateEventW; ours is the platform layer's own.
#undef CreateEvent

#include "platform/win32/wide.h"

namespace skylark::platform {
namespace {

DWORD Milliseconds(int timeoutMs) { return timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs); }

class Win32Event final : public Event {
 public:
  explicit Win32Event(HANDLE handle) : handle_(handle) {}
  ~Win32Event() override { ::CloseHandle(handle_); }
  Win32Event(const Win32Event&) = delete;
  Win32Event& operator=(const Win32Event&) = delete;

  void Set() override { ::SetEvent(handle_); }
  void Reset() override { ::ResetEvent(handle_); }
  bool Wait(int timeoutMs) override { return ::WaitForSingleObject(handle_, Milliseconds(timeoutMs)) == WAIT_OBJECT_0; }

  HANDLE Handle() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

std::unique_ptr<Event> CreateEvent(bool manualReset, bool initiallySet, std::u16string_view name) {
  const std::wstring wide = win32::Wide(name);
  const HANDLE handle = ::CreateEventW(nullptr, manualReset ? TRUE : FALSE, initiallySet ? TRUE : FALSE,
                                       name.empty() ? nullptr : wide.c_str());
  if (handle == nullptr) return nullptr;
  return std::make_unique<Win32Event>(handle);
}

WaitResult WaitForEither(Event& first, Event& second, int timeoutMs) {
  const auto* a = dynamic_cast<Win32Event*>(&first);
  const auto* b = dynamic_cast<Win32Event*>(&second);
  if (a == nullptr || b == nullptr) return WaitResult::Failed;
  // Waiting twice on one handle is refused by Windows; a single wait gives the same answer.
  if (a->Handle() == b->Handle()) return first.Wait(timeoutMs) ? WaitResult::First : WaitResult::Timeout;
  const HANDLE handles[2] = {a->Handle(), b->Handle()};
  switch (::WaitForMultipleObjects(2, handles, FALSE, Milliseconds(timeoutMs))) {
    case WAIT_OBJECT_0: return WaitResult::First;
    case WAIT_OBJECT_0 + 1: return WaitResult::Second;
    case WAIT_TIMEOUT: return WaitResult::Timeout;
    default: return WaitResult::Failed;
  }
}

bool SignalNamedEvent(std::u16string_view name) {
  if (name.empty()) return false;
  const std::wstring wide = win32::Wide(name);
  const HANDLE handle = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, wide.c_str());
  if (handle == nullptr) return false;
  const bool ok = ::SetEvent(handle) != FALSE;
  ::CloseHandle(handle);
  return ok;
}

}  // namespace skylark::platform

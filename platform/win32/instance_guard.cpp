#include "platform/instance_guard.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace skylark::platform {
namespace {

// The named mutex exists while this handle is open; the kernel releases it when the process
// ends, however it ends.
class MutexGuard final : public InstanceGuard {
 public:
  explicit MutexGuard(HANDLE mutex) : mutex_(mutex) {}
  ~MutexGuard() override {
    ::ReleaseMutex(mutex_);
    ::CloseHandle(mutex_);
  }
  MutexGuard(const MutexGuard&) = delete;
  MutexGuard& operator=(const MutexGuard&) = delete;

 private:
  HANDLE mutex_;
};

}  // namespace

std::unique_ptr<InstanceGuard> AcquireInstanceGuard(std::u16string_view name) {
  if (name.empty()) return nullptr;
  const std::wstring wide = win32::Wide(name);
  const HANDLE mutex = ::CreateMutexW(nullptr, TRUE, wide.c_str());
  if (mutex == nullptr) return nullptr;
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(mutex);
    return nullptr;
  }
  return std::make_unique<MutexGuard>(mutex);
}

}  // namespace skylark::platform

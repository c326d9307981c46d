#include "platform/serial_line.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/network_line.h"
#include "platform/win32/wide.h"

namespace skylark::platform {
namespace {

// ERROR_NO_SUCH_DEVICE of the Windows SDK; mingw-w64's headers do not have it.
constexpr DWORD kNoSuchDevice = 433;
// Windows numbers serial ports up to COM256.
constexpr int kHighestPort = 256;

// Only "COM1:" to "COM256:" become device paths, so that no other name can reach CreateFileW and
// open a file or another device. The "\\.\" form is the only one that reaches COM10 and above.
std::wstring DevicePath(std::u16string_view name) {
  const int number = PortNumber(name, kHighestPort);
  if (number == 0) return {};
  return L"\\\\.\\COM" + std::to_wstring(number);
}

// A port held by another program is refused as access denied: share mode 0 on both sides.
LineError OpenFailure(DWORD error, std::u16string_view name) {
  LineError failure;
  failure.device = name;
  if (!failure.device.empty() && failure.device.back() == u':') failure.device.pop_back();
  failure.osError = static_cast<int>(error);
  const std::string code = std::to_string(error);
  failure.osMessage = u"system error " + std::u16string(code.begin(), code.end());
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      failure.fault = LineFault::NoSuchDevice;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      failure.fault = LineFault::InUse;
      break;
    default:
      failure.fault = LineFault::SystemError;
      break;
  }
  return failure;
}

DWORD Clamp(std::size_t count) { return static_cast<DWORD>(std::min<std::size_t>(count, MAXDWORD)); }

class Win32SerialLine final : public SerialLine {
 public:
  explicit Win32SerialLine(HANDLE handle) : handle_(handle) {
    savedState_.DCBlength = sizeof(savedState_);
    haveSavedState_ = ::GetCommState(handle_, &savedState_) != FALSE;
    haveSavedTimeouts_ = ::GetCommTimeouts(handle_, &savedTimeouts_) != FALSE;
  }

  ~Win32SerialLine() override { Close(); }

  bool SetTimeouts(const LineTimeouts& t) override {
    COMMTIMEOUTS timeouts{t.readInterval, t.readTotalMultiplier, t.readTotalConstant,
                          t.writeTotalMultiplier, t.writeTotalConstant};
    const Use use(*this);
    return use.ok() && ::SetCommTimeouts(use.handle(), &timeouts) != FALSE;
  }

  bool GetState(LineState& state) override {
    const Use use(*this);
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!use.ok() || !::GetCommState(use.handle(), &dcb)) return false;
    state.baudRate = dcb.BaudRate;
    state.byteSize = dcb.ByteSize;
    state.parity = dcb.Parity;
    state.stopBits = dcb.StopBits;
    state.parityCheck = dcb.fParity != 0;
    return true;
  }

  // Starts from the driver's current block so that flow control, handshake lines and special
  // characters stay as the driver has them.
  bool SetState(const LineState& state) override {
    const Use use(*this);
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!use.ok() || !::GetCommState(use.handle(), &dcb)) return false;
    dcb.BaudRate = state.baudRate;
    dcb.ByteSize = static_cast<BYTE>(state.byteSize);
    dcb.Parity = static_cast<BYTE>(state.parity);
    dcb.StopBits = static_cast<BYTE>(state.stopBits);
    dcb.fParity = state.parityCheck ? 1 : 0;
    return ::SetCommState(use.handle(), &dcb) != FALSE;
  }

  ReadResult Read(std::uint8_t* buffer, std::size_t count, std::size_t& got) override {
    got = 0;
    const Use use(*this);
    if (!use.ok()) return ReadResult::Gone;
    if (!BeginRead()) return ReadResult::Done;
    DWORD n = 0;
    const bool ok = ::ReadFile(use.handle(), buffer, Clamp(count), &n, nullptr) != FALSE;
    const DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
    const bool interrupted = EndRead();
    got = n;
    if (ok || (interrupted && error == ERROR_OPERATION_ABORTED)) return ReadResult::Done;
    switch (error) {
      // What a removed adapter, a vanished device or our own Close cancelling the read reports.
      case ERROR_BAD_COMMAND:
      case ERROR_GEN_FAILURE:
      case ERROR_DEVICE_REMOVED:
      case ERROR_DEVICE_NOT_CONNECTED:
      case kNoSuchDevice:
      case ERROR_FILE_NOT_FOUND:
      case ERROR_OPERATION_ABORTED:
      case ERROR_HANDLE_EOF:
      case ERROR_BROKEN_PIPE:
        return ReadResult::Gone;
      default:
        return ReadResult::Refused;
    }
  }

  bool Write(const std::uint8_t* bytes, std::size_t count, std::size_t& written) override {
    written = 0;
    const Use use(*this);
    DWORD n = 0;
    const bool ok = use.ok() && ::WriteFile(use.handle(), bytes, Clamp(count), &n, nullptr) != FALSE;
    written = n;
    return ok;
  }

  void DiscardInput() override {
    if (handle_ != INVALID_HANDLE_VALUE) ::PurgeComm(handle_, PURGE_RXCLEAR);
  }

  // A read blocked in ReadFile is cancelled on its thread; one about to start sees the flag. The
  // cancel is repeated until no read is left, in case a thread had not yet entered the call.
  void InterruptReads(bool on) override {
    std::unique_lock lock(mutex_);
    interrupted_ = on;
    while (on && !readers_.empty()) {
      for (const DWORD threadId : readers_) CancelTransferOf(threadId);
      idle_.wait_for(lock, std::chrono::milliseconds(20));
    }
  }

  // Every call on the handle registers its thread for the time of the call, so that Close can
  // cancel it and never closes a handle still in use (its value could be reused meanwhile).
  // A reader thread may be blocked in ReadFile for up to the read time-out. New transfers are
  // refused first; the blocked ones are cancelled (CancelIoEx on the handle, which Wine honours
  // too, and CancelSynchronousIo on their threads), retried in case a thread had not yet entered
  // the call. Where neither works they simply run into their time-out. The handle is closed only
  // when no transfer uses it any more.
  bool Close() override {
    std::unique_lock lock(mutex_);
    if (handle_ == INVALID_HANDLE_VALUE) return true;
    closing_ = true;
    while (!transfers_.empty()) {
      ::CancelIoEx(handle_, nullptr);
      for (const DWORD threadId : transfers_) CancelTransferOf(threadId);
      idle_.wait_for(lock, std::chrono::milliseconds(20));
    }
    if (handle_ == INVALID_HANDLE_VALUE) return true;  // another Close finished meanwhile
    if (haveSavedTimeouts_) ::SetCommTimeouts(handle_, &savedTimeouts_);
    if (haveSavedState_) ::SetCommState(handle_, &savedState_);
    ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    closing_ = false;
    return true;
  }

 private:
  class Use {
   public:
    explicit Use(Win32SerialLine& line) : line_(line), handle_(line.BeginTransfer()) {}
    ~Use() {
      if (ok()) line_.EndTransfer();
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE handle() const { return handle_; }

   private:
    Win32SerialLine& line_;
    HANDLE handle_;
  };

  HANDLE BeginTransfer() {
    std::lock_guard lock(mutex_);
    if (closing_ || handle_ == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
    transfers_.push_back(::GetCurrentThreadId());
    return handle_;
  }

  void EndTransfer() {
    std::lock_guard lock(mutex_);
    const auto it = std::find(transfers_.begin(), transfers_.end(), ::GetCurrentThreadId());
    if (it != transfers_.end()) transfers_.erase(it);
    if (transfers_.empty()) idle_.notify_all();
  }

  bool BeginRead() {
    std::lock_guard lock(mutex_);
    if (interrupted_) return false;
    readers_.push_back(::GetCurrentThreadId());
    return true;
  }

  // True when reads were interrupted meanwhile.
  bool EndRead() {
    std::lock_guard lock(mutex_);
    const auto it = std::find(readers_.begin(), readers_.end(), ::GetCurrentThreadId());
    if (it != readers_.end()) readers_.erase(it);
    if (readers_.empty()) idle_.notify_all();
    return interrupted_;
  }

  static void CancelTransferOf(DWORD threadId) {
    if (threadId == ::GetCurrentThreadId()) return;
    if (HANDLE thread = ::OpenThread(THREAD_TERMINATE, FALSE, threadId)) {
      ::CancelSynchronousIo(thread);
      ::CloseHandle(thread);
    }
  }

  std::mutex mutex_;
  std::condition_variable idle_;
  HANDLE handle_;
  bool closing_ = false;
  std::vector<DWORD> transfers_;
  std::vector<DWORD> readers_;
  bool interrupted_ = false;
  DCB savedState_{};
  bool haveSavedState_ = false;
  COMMTIMEOUTS savedTimeouts_{};
  bool haveSavedTimeouts_ = false;
};

}  // namespace

std::unique_ptr<SerialLine> OpenSerialLine(std::u16string_view name, AccessMode access,
                                           LineError* failure) {
  if (NetworkScheme(name)) return OpenNetworkLine(name, failure);
  const std::wstring path = DevicePath(name);
  if (path.empty()) return nullptr;
  const HANDLE handle = ::CreateFileW(path.c_str(), static_cast<DWORD>(access), 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    if (failure != nullptr) *failure = OpenFailure(::GetLastError(), name);
    return nullptr;
  }
  return std::make_unique<Win32SerialLine>(handle);
}

}  // namespace skylark::platform

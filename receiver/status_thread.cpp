#include "receiver/receiver_monitor.h"

#include <utility>

namespace skylark {
namespace {

constexpr int kPollPeriodMs = 500;

// A named event another process may signal; a private one when the name cannot be had, so
// that the thread still polls and can still be stopped.
std::unique_ptr<platform::Event> MakeEvent(bool manualReset, std::u16string_view name) {
  auto event = platform::CreateEvent(manualReset, false, name);
  if (event == nullptr) event = platform::CreateEvent(manualReset, false);
  return event;
}

}  // namespace

// Private until PublishEvents: a process that does not own the instance guard must never signal
// or reset the running instance's events.
StatusThread::StatusThread(std::function<void(bool requested)> poll)
    : poll_(std::move(poll)),
      terminateEvent_(platform::CreateEvent(true, false)),
      doneEvent_(platform::CreateEvent(false, false)),
      updateEvent_(platform::CreateEvent(true, false)) {}

void StatusThread::PublishEvents() {
  if (thread_.joinable()) return;
  terminateEvent_ = MakeEvent(true, kTerminateEventName);
  updateEvent_ = MakeEvent(true, kUpdateEventName);
  doneEvent_ = MakeEvent(false, kStatusDoneEventName);
  // The terminate event stays signalled after a run has ended; a new run starts with it clear.
  if (terminateEvent_ != nullptr) terminateEvent_->Reset();
}

StatusThread::~StatusThread() {
  // The thread calls back into its owner; it must be gone before the owner is.
  SignalTerminate();
  polling_.store(false);
  Join();
}

bool StatusThread::StartPolling() {
  if (terminateEvent_ == nullptr || updateEvent_ == nullptr) return false;
  if (thread_.joinable()) return true;
  polling_.store(true);
  thread_ = std::thread([this] { StatusThreadMain(); });
  return true;
}

void StatusThread::SignalTerminate() {
  if (terminateEvent_ != nullptr) terminateEvent_->Set();
}

void StatusThread::Wake() {
  if (updateEvent_ != nullptr) updateEvent_->Set();
}

void StatusThread::Join() {
  if (thread_.joinable()) thread_.join();
}

bool StatusThread::WaitDone(int timeoutMs) {
  if (!thread_.joinable()) return true;
  if (doneEvent_ != nullptr && !doneEvent_->Wait(timeoutMs)) return false;
  // A thread that has not ended in time stays joinable; Join or the destructor joins it.
  thread_.join();
  return true;
}

void StatusThread::StatusThreadMain() {
  polling_.store(true);
  if (doneEvent_ != nullptr) doneEvent_->Reset();
  while (polling_.load()) {
    switch (platform::WaitForEither(*terminateEvent_, *updateEvent_, kPollPeriodMs)) {
      case platform::WaitResult::First:
        polling_.store(false);
        break;
      case platform::WaitResult::Second:
        // Cleared before the poll, so that a request made during the poll wakes the next one.
        updateEvent_->Reset();
        if (poll_) poll_(true);
        break;
      case platform::WaitResult::Timeout:
        if (poll_) poll_(false);
        break;
      case platform::WaitResult::Failed:
        // Nothing to do but wait again; pause so that a wait that keeps failing does not spin.
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollPeriodMs));
        break;
    }
  }
  if (doneEvent_ != nullptr) doneEvent_->Set();
}

}  // namespace skylark

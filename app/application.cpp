#include "app/application.h"

#include <utility>

namespace skylark {
namespace {

// Threads that do not end within this time at shutdown are not waited for any longer.
constexpr int kThreadStopWaitMs = 2000;

class SilentReporter final : public SiteFileReporter {
 public:
  void SiteFileOpenFailed() override {}
};

}  // namespace

Application::Application(ApplicationOptions options)
    : options_(std::move(options)), receiverLink_(u"COM4:") {
  statusThread_ = std::make_unique<StatusThread>([this](bool requested) { OnStatusThread(requested); });
  if (receiverLink_.InputPort() != nullptr) {
    // Every page shows the port closed at once; the sheet says which port and why.
    ReceiverPort& port = *receiverLink_.InputPort();
    recovery_ = std::make_unique<PortRecovery>(port, options_.reconnectPeriod, [this] { OnPortRestored(); });
    port.SetLossListener([this, &port] {
      if (options_.reconnect) recovery_->Begin(port.Name(), port.GetAccess());
      NotifySiteChanged();
    });
  }
}

Application::~Application() {
  // Both threads call into this object, and the reader wakes the status thread: the reader goes
  // first, then the status thread, then the port. Stopping interrupts the reader's read and
  // pauses and ends any reply wait, so both joins are prompt.
  statusThread_->SignalTerminate();
  monitor_.StopReader();
  monitor_.JoinReader();
  statusThread_->Join();
  // After the reader: a restore waiting for the receiver's answer has been ended by its stop.
  recovery_.reset();
  ReceiverPort* port = receiverLink_.InputPort();
  if (port != nullptr && port->IsOpen()) port->Close();
}

bool Application::Initialize() {
  instanceGuard_ = platform::AcquireInstanceGuard(kInstanceGuardName);
  if (instanceGuard_ == nullptr) return false;
  // Only the running instance answers to the names other processes signal.
  statusThread_->PublishEvents();
  monitor_.PublishDoneEvent();
  Start();
  return true;
}

void Application::Start() {
  started_ = true;
  if (options_.searchSiteFile) {
    SilentReporter silent;
    SiteFileReporter& reporter = options_.siteFileReporter != nullptr ? *options_.siteFileReporter : silent;
    // Each place is remembered, so that the Tune page can say where it looked.
    siteFileSearch_.clear();
    SearchSiteFile(options_.firstSiteDirectory, options_.secondSiteDirectory, catalogue_, reporter, siteFileSearch_);
  }
  // The stored station is looked up in the catalogue, so settings come after the site file.
  if (options_.settings != nullptr) LoadSettings();
  statusThread_->StartPolling();
  statusThreadStarted_ = true;
  monitor_.Attach(&receiverLink_);
  // Every status sentence reaches the snapshot as the reader frames it.
  monitor_.SetSentenceListener([this](const ReceivedSentence& sentence) { OnSentence(sentence); });
  monitor_.StartReader();
  readerThreadStarted_ = true;
}

void Application::Shutdown() {
  if (!started_) return;
  started_ = false;
  StopReconnecting();
  monitor_.StopStatusOutput();
  // The receiver stays tuned as it is, without its status output.
  Tune(0);
  StopThreads();
  ReceiverPort* output = receiverLink_.OutputPort();
  if (output != nullptr && output->IsOpen()) output->Close();
  ReceiverPort* input = receiverLink_.InputPort();
  if (input != nullptr && input->IsOpen()) input->Close();
  // A thread that outlived its wait may still be in a poll that looks up the catalogue; closing
  // the port has ended any read, so both end promptly now.
  statusThread_->Join();
  monitor_.JoinReader();
  catalogue_.ClearCatalogue();
}

void Application::StopThreads() {
  // Both are told before either is waited for: stopping the reader also ends a reply wait the
  // status thread may be in.
  if (statusThreadStarted_) statusThread_->SignalTerminate();
  if (readerThreadStarted_) monitor_.StopReader();
  if (statusThreadStarted_) {
    statusThread_->WaitDone(kThreadStopWaitMs);
    statusThreadStarted_ = false;
  }
  if (readerThreadStarted_) {
    monitor_.WaitReaderDone(kThreadStopWaitMs);
    readerThreadStarted_ = false;
  }
  // After the reader: a restore waiting for the receiver's answer has been ended by its stop.
  if (recovery_ != nullptr) recovery_->End();
}

SharedState Application::State() const {
  std::lock_guard lock(stateLock_);
  return state_;
}

BeaconSite Application::CurrentSite() const {
  std::lock_guard lock(stateLock_);
  return state_.currentSite;
}

ReceiverStatus Application::Status() const {
  std::lock_guard lock(stateLock_);
  return state_.status;
}

void Application::SetCurrentSite(const BeaconSite& site) {
  std::lock_guard lock(stateLock_);
  ++tuneGeneration_;
  state_.currentSite.CopyFrom(site);
}

void Application::UpdateState(const std::function<void(SharedState&)>& update) {
  std::lock_guard lock(stateLock_);
  update(state_);
}

bool Application::IsLinkOpen() { return monitor_.IsLinkOpen(); }

std::optional<PortLoss> Application::TakePortLoss() {
  ReceiverPort* port = receiverLink_.InputPort();
  return port != nullptr ? port->TakeLoss() : std::nullopt;
}

bool Application::PortLossPending() {
  const ReceiverPort* port = receiverLink_.InputPort();
  return port != nullptr && port->LossPending();
}

void Application::DeviceRemoved(std::u16string_view device) {
  if (ReceiverPort* port = receiverLink_.InputPort(); port != nullptr) port->DeviceRemoved(device);
}

LinkView Application::InputLink() {
  LinkView link(IsLinkOpen());
  if (const ReceiverPort* port = receiverLink_.InputPort(); port != nullptr && link.open) {
    link.readable = Allows(port->GetAccess(), AccessMode::Read);
    link.writable = Allows(port->GetAccess(), AccessMode::Write);
    link.openedAt = port->OpenedAt();
  }
  return link;
}

void Application::NotifySiteChanged() {
  if (options_.notifications != nullptr) options_.notifications->PostSiteChanged();
}

void Application::PostStatusChanged() {
  if (options_.notifications != nullptr) options_.notifications->PostStatusChanged();
}

}  // namespace skylark

#include "receiver/receiver_monitor.h"

#include <array>

namespace skylark {
namespace {

// At 4800 baud a 16-byte read is about 33 ms of traffic; the receiver sends roughly one 30-byte
// status sentence a second, so 16 bytes per 100 ms keeps up with it.
constexpr std::size_t kReadChunk = 16;
constexpr auto kReaderPause = std::chrono::milliseconds(100);

}  // namespace

ReceiverMonitor::ReceiverMonitor()
    : readerDone_(platform::CreateEvent(false, false, kReaderDoneEventName)) {}

ReceiverMonitor::~ReceiverMonitor() {
  // The reader works on this object; it must be gone before the object is. Its read is bounded
  // by the line's time-outs, so the join is too.
  StopReader();
  if (readerThread_.joinable()) readerThread_.join();
}

bool ReceiverMonitor::OutputPortOpen() const {
  return link_ != nullptr && link_->OutputPort() != nullptr && link_->OutputPort()->IsOpen();
}

bool ReceiverMonitor::InputPortOpen() const {
  return link_ != nullptr && link_->InputPort() != nullptr && link_->InputPort()->IsOpen();
}

void ReceiverMonitor::Attach(ReceiverLink* link) {
  std::lock_guard lock(commandLock_);
  link_ = link;
  if (link_ != nullptr && link_->InputPort() != nullptr) {
    link_->InputPort()->SetLineQueue(&lineQueue_);
    link_->InputPort()->SetQueueMode(true);
  }
}

bool ReceiverMonitor::IsLinkOpen() {
  std::lock_guard lock(commandLock_);
  return InputPortOpen();
}

bool ReceiverMonitor::SendAutomaticTune(std::uint32_t interval) {
  std::lock_guard lock(commandLock_);
  return OutputPortOpen() && link_->TuneAutomatic(interval);
}

bool ReceiverMonitor::SendManualTune(double frequencyKhz, int bitRate, std::uint32_t interval) {
  std::lock_guard lock(commandLock_);
  return OutputPortOpen() && link_->TuneManual(frequencyKhz, bitRate, interval);
}

bool ReceiverMonitor::SendStatusRequest() {
  std::lock_guard lock(commandLock_);
  return OutputPortOpen() && link_->RequestStatus();
}

bool ReceiverMonitor::AwaitTuneAcknowledge() {
  std::lock_guard lock(queueLock_);
  return link_ != nullptr && link_->AwaitAcknowledge();
}

bool ReceiverMonitor::QuerySignalStatus(std::int32_t& strength, std::int32_t& snr,
                                        double& frequency, std::int32_t& bitRate) {
  std::lock_guard lock(queueLock_);
  return link_ != nullptr && link_->ReadSignalStatus(strength, snr, frequency, bitRate);
}

bool ReceiverMonitor::QueryReceiverStatus(std::int32_t& strength, std::int32_t& snr,
                                          double& frequency, std::int32_t& bitRate,
                                          std::int32_t& stationId) {
  std::lock_guard lock(queueLock_);
  if (link_ == nullptr) return false;
  ReceiverStatusLine line;
  link_->ReadReceiverStatus(line);
  strength = line.signalStrength;
  snr = line.snr;
  frequency = line.frequency;
  bitRate = line.mskRate;
  stationId = line.stationId;
  // Callers judge the reply by the station ID it gave.
  return false;
}

bool ReceiverMonitor::StopStatusOutput() {
  {
    std::lock_guard lock(commandLock_);
    if (InputPortOpen()) link_->InputPort()->Drain();
  }
  std::lock_guard lock(commandLock_);
  return OutputPortOpen() && link_->RequestStatusZero();
}

bool ReceiverMonitor::StartReader() {
  if (readerThread_.joinable()) return true;
  running_.store(true);
  readerThread_ = std::thread([this] { ReaderThreadMain(); });
  return true;
}

void ReceiverMonitor::StopReader() { running_.store(false); }

bool ReceiverMonitor::WaitReaderDone(int timeoutMs) {
  if (!readerThread_.joinable()) return true;
  if (readerDone_ != nullptr && !readerDone_->Wait(timeoutMs)) return false;
  // A thread that has not ended in time stays joinable; the destructor joins it.
  readerThread_.join();
  return true;
}

void ReceiverMonitor::QueueLine(std::u16string_view line) {
  std::lock_guard lock(queueLock_);
  lineQueue_.Append(line);
  std::u16string dropped;
  while (lineQueue_.Count() > kLineQueueLimit && lineQueue_.TakeFirst(dropped)) ++droppedLines_;
}

std::size_t ReceiverMonitor::QueuedLines() {
  std::lock_guard lock(queueLock_);
  return lineQueue_.Count();
}

std::size_t ReceiverMonitor::DroppedLines() {
  std::lock_guard lock(queueLock_);
  return droppedLines_;
}

void ReceiverMonitor::ReaderThreadMain() {
  if (readerDone_ != nullptr) readerDone_->Reset();
  const SentenceAssembler::Sink queue = [this](std::u16string_view line) { QueueLine(line); };
  std::array<std::uint8_t, kReadChunk> buffer{};
  while (running_.load()) {
    // No lock: commands are written to the same port object while the reader waits here.
    if (InputPortOpen()) {
      std::size_t got = 0;
      if (link_->InputPort()->Read(buffer.data(), buffer.size(), got) && got > 0) {
        assembler_.AssembleSentences(buffer.data(), got, queue);
      }
    }
    std::this_thread::sleep_for(kReaderPause);
  }
  if (readerDone_ != nullptr) readerDone_->Set();
}

}  // namespace skylark

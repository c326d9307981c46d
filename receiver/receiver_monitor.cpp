#include "receiver/receiver_monitor.h"

#include <array>

namespace skylark {
namespace {

// At 4800 baud a 16-byte read is about 33 ms of traffic. The reader reads again at once while
// bytes come, so it keeps up with the full line rate (480 bytes a second); it pauses only when a
// read brought nothing (a quiet line has already waited out the read time-out by then).
constexpr std::size_t kReadChunk = 16;
constexpr auto kReaderPause = std::chrono::milliseconds(100);
// A read that came back short ended on the 1 ms interval time-out: a sender that paces its bytes
// (2.08 ms each at 4800 baud) ends every read after one byte, two wake-ups a byte. Waiting this
// long first lets about ten bytes gather, a few reads a sentence; what gathers is all taken by
// the next read, so the reader never falls behind, and a sentence is queued at most this late.
constexpr auto kGatherPause = std::chrono::milliseconds(20);

bool IsStatusSentence(std::u16string_view line) { return FindSentence(line, u"$--MSS") != std::u16string_view::npos; }

}  // namespace

ReceiverMonitor::ReceiverMonitor() : readerDone_(platform::CreateEvent(false, false)) {}

ReceiverMonitor::~ReceiverMonitor() {
  // The reader works on this object; it must be gone before the object is. Stopping ends its
  // read and its pauses, so the join is prompt.
  StopReader();
  JoinReader();
}

void ReceiverMonitor::PublishDoneEvent() {
  if (readerThread_.joinable()) return;
  if (auto named = platform::CreateEvent(false, false, kReaderDoneEventName)) readerDone_ = std::move(named);
}

bool ReceiverMonitor::OutputPortOpen() const {
  ReceiverLink* link = link_.load();
  return link != nullptr && link->OutputPort() != nullptr && link->OutputPort()->IsOpen();
}

bool ReceiverMonitor::InputPortOpen() const {
  ReceiverLink* link = link_.load();
  return link != nullptr && link->InputPort() != nullptr && link->InputPort()->IsOpen();
}

// A port opened for writing only (the output group of the two-port layout) has nothing to read.
bool ReceiverMonitor::InputPortReadable() const {
  if (!InputPortOpen()) return false;
  const auto access = static_cast<std::uint32_t>(link_.load()->InputPort()->GetAccess());
  return (access & static_cast<std::uint32_t>(AccessMode::Read)) != 0;
}

void ReceiverMonitor::Attach(ReceiverLink* link) {
  std::lock_guard lock(commandLock_);
  link_.store(link);
  if (link != nullptr && link->InputPort() != nullptr) {
    link->InputPort()->SetLineQueue(&lineQueue_);
    link->InputPort()->SetQueueMode(true);
  }
}

bool ReceiverMonitor::IsLinkOpen() {
  std::lock_guard lock(commandLock_);
  return InputPortOpen();
}

std::unique_lock<std::mutex> ReceiverMonitor::CatchUpReader() {
  ReceiverPort* input = InputPortReadable() ? link_.load()->InputPort() : nullptr;
  ++readerHolds_;
  if (input != nullptr) input->InterruptReads(true);
  std::unique_lock read(readLock_);
  --readerHolds_;
  if (input != nullptr) {
    if (running_.load()) input->InterruptReads(false);
    const SentenceAssembler::Sink queue = [this](std::u16string_view line) { QueueLine(line); };
    input->TakeAvailable([&](const std::uint8_t* bytes, std::size_t count) {
      assembler_.AssembleSentences(bytes, count, queue);
    });
  }
  // The rest of a sentence begun before the command would be queued after it, and an old
  // acknowledgement would pass for the answer.
  assembler_.DiscardPending();
  return read;
}

bool ReceiverMonitor::SendCommand(std::uint64_t* mark, const std::function<bool(ReceiverLink&)>& send) {
  std::lock_guard lock(commandLock_);
  if (!OutputPortOpen()) return false;
  const std::unique_lock read = CatchUpReader();
  if (mark != nullptr) *mark = lineQueue_.LastNumber();
  return send(*link_.load());
}

bool ReceiverMonitor::SendAutomaticTune(std::uint32_t interval, std::uint64_t* mark) {
  return SendCommand(mark, [&](ReceiverLink& link) { return link.TuneAutomatic(interval); });
}

bool ReceiverMonitor::SendManualTune(double frequencyKhz, int bitRate, std::uint32_t interval, std::uint64_t* mark) {
  return SendCommand(mark, [&](ReceiverLink& link) { return link.TuneManual(frequencyKhz, bitRate, interval); });
}

bool ReceiverMonitor::SendStatusRequest(std::uint64_t* mark) {
  return SendCommand(mark, [](ReceiverLink& link) { return link.RequestStatus(); });
}


bool ReceiverMonitor::AwaitTuneAcknowledge(std::uint64_t after) {
  std::lock_guard lock(replyLock_);
  ReceiverLink* link = link_.load();
  return link != nullptr && link->AwaitAcknowledge(after);
}

std::optional<StatusReading> ReceiverMonitor::QuerySignalStatus() {
  // No reply lock: it takes only status sentences, which no other wait is after, and never waits.
  ReceiverLink* link = link_.load();
  if (link == nullptr) return std::nullopt;
  return link->ReadSignalStatus();
}

bool ReceiverMonitor::QueryReceiverStatus(std::int32_t& strength, std::int32_t& snr,
                                          double& frequency, std::int32_t& bitRate,
                                          std::int32_t& stationId, std::uint64_t after) {
  std::lock_guard lock(replyLock_);
  ReceiverLink* link = link_.load();
  if (link == nullptr) return false;
  ReceiverStatusLine line;
  link->ReadReceiverStatus(line, after);
  strength = line.signalStrength;
  snr = line.snr;
  frequency = line.frequency;
  bitRate = line.mskRate;
  stationId = line.stationId;
  // Callers judge the reply by the station ID it gave.
  return false;
}

bool ReceiverMonitor::StopStatusOutput() {
  std::lock_guard lock(commandLock_);
  if (InputPortOpen()) {
    const std::unique_lock read = CatchUpReader();
    lineQueue_.Clear();
  }
  return OutputPortOpen() && link_.load()->RequestStatusZero();
}

bool ReceiverMonitor::StartReader() {
  if (readerThread_.joinable()) return true;
  running_.store(true);
  lineQueue_.SetStopped(false);
  ReceiverLink* link = link_.load();
  if (link != nullptr && link->InputPort() != nullptr) link->InputPort()->InterruptReads(false);
  readerThread_ = std::thread([this] { ReaderThreadMain(); });
  return true;
}

void ReceiverMonitor::StopReader() {
  {
    std::lock_guard lock(pauseLock_);
    running_.store(false);
  }
  pauseEnd_.notify_all();
  lineQueue_.SetStopped(true);
  ReceiverLink* link = link_.load();
  if (link != nullptr && link->InputPort() != nullptr) link->InputPort()->InterruptReads(true);
}

void ReceiverMonitor::Pause(std::chrono::milliseconds time) {
  std::unique_lock lock(pauseLock_);
  pauseEnd_.wait_for(lock, time, [this] { return !running_.load(); });
}

bool ReceiverMonitor::WaitReaderDone(int timeoutMs) {
  if (!readerThread_.joinable()) return true;
  if (readerDone_ != nullptr && !readerDone_->Wait(timeoutMs)) return false;
  readerThread_.join();
  return true;
}

void ReceiverMonitor::JoinReader() {
  if (readerThread_.joinable()) readerThread_.join();
}

void ReceiverMonitor::QueueLine(std::u16string_view line) {
  if (CheckSentence(line) == Checksum::Wrong) {
    ++checksumFailures_;
    return;
  }
  lineQueue_.Append(line);
  if (statusListener_ && IsStatusSentence(line)) statusListener_();
}

std::size_t ReceiverMonitor::QueuedLines() { return lineQueue_.Count(); }

std::size_t ReceiverMonitor::DroppedLines() { return lineQueue_.Dropped(); }

void ReceiverMonitor::ReaderThreadMain() {
  if (readerDone_ != nullptr) readerDone_->Reset();
  const SentenceAssembler::Sink queue = [this](std::u16string_view line) { QueueLine(line); };
  std::array<std::uint8_t, kReadChunk> buffer{};
  while (running_.load()) {
    // A command about to be written holds the reader; it lets go within a write.
    while (readerHolds_.load() > 0 && running_.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::size_t got = 0;
    {
      // The read lock, never the command lock: a command interrupts this read, queues what has
      // come and is written under the read lock, and reply waits never wait for it.
      std::lock_guard read(readLock_);
      if (!running_.load()) break;
      if (InputPortReadable() && link_.load()->InputPort()->Read(buffer.data(), buffer.size(), got) && got > 0) {
        assembler_.AssembleSentences(buffer.data(), got, queue);
      }
    }
    if (got > 0) {
      if (got < buffer.size()) Pause(kGatherPause);
      continue;
    }
    Pause(kReaderPause);
  }
  if (readerDone_ != nullptr) readerDone_->Set();
}

}  // namespace skylark

#include "receiver/receiver_monitor.h"

#include <array>
#include <utility>
#include <vector>

namespace skylark {
namespace {

// One read takes what has come, up to this; at 4800 baud a sentence is 30 to 80 bytes.
constexpr std::size_t kReadChunk = 128;
// While no readable line is open the reader waits to be woken by an open; this bounds the wait
// for the rare open it is not told of (a port reopened by its owner under another access).
constexpr auto kIdleWait = std::chrono::milliseconds(100);
// A receiver that paces its bytes (2.08 ms each at 4800 baud) ends every read on the 1 ms
// interval time-out after one byte: two wake-ups a byte. In the middle of a sentence the reader
// lets this long of it gather first, so a sentence takes a few reads; a sentence's end is then
// framed at most this late. Between sentences it reads at once.
constexpr auto kGatherWait = std::chrono::milliseconds(20);

// Receivers that acknowledge "$PCSI,1" too name what they acknowledge; only a tune is awaited.
bool Answers(const ReceivedSentence& sentence) {
  if (sentence.kind != SentenceKind::Acknowledgement) return true;
  const std::string acknowledged = ParseAcknowledgement(sentence.text)->acknowledged;
  return acknowledged.empty() || acknowledged == "GPMSK";
}

bool IsOwnSentence(SentenceKind kind) {
  return kind == SentenceKind::Tune || kind == SentenceKind::StatusRequest || kind == SentenceKind::StatusStop;
}

}  // namespace

ReplyWait::ReplyWait(ReceiverMonitor& monitor, SentenceKind kind) : monitor_(monitor), kind_(kind) {
  std::lock_guard lock(monitor_.waitLock_);
  // A sentence already begun is older than the command this wait is for.
  after_ = monitor_.framer_.Bytes();
  // Once the reader has stopped, nothing will answer.
  ended_ = monitor_.stopped_;
  monitor_.waits_.push_back(this);
}

ReplyWait::~ReplyWait() {
  std::lock_guard lock(monitor_.waitLock_);
  monitor_.waits_.remove(this);
}

std::optional<ReceivedSentence> ReplyWait::Await(std::chrono::milliseconds wait) {
  std::unique_lock lock(monitor_.waitLock_);
  monitor_.replied_.wait_for(lock, wait, [this] { return reply_.has_value() || ended_; });
  // One answer a wait: whatever comes after it is for the next command.
  ended_ = true;
  return std::exchange(reply_, std::nullopt);
}

ReceiverMonitor::ReceiverMonitor() : readerDone_(platform::CreateEvent(false, false)) {}

ReceiverMonitor::~ReceiverMonitor() {
  // The reader works on this object; stopping ends its read, so the join is prompt.
  StopReader();
  JoinReader();
}

void ReceiverMonitor::PublishDoneEvent() {
  if (readerThread_.joinable()) return;
  if (auto named = platform::CreateEvent(false, false, kReaderDoneEventName)) readerDone_ = std::move(named);
}

void ReceiverMonitor::Attach(ReceiverLink* link) {
  std::lock_guard lock(commandLock_);
  link_.store(link);
  if (link != nullptr && link->InputPort() != nullptr) link->InputPort()->SetOpenListener([this] { WakeReader(); });
}

// A port opened for writing only (the output group of the two-port layout) has nothing to read.
ReceiverPort* ReceiverMonitor::ReadablePort() const {
  ReceiverLink* link = link_.load();
  ReceiverPort* port = link != nullptr ? link->InputPort() : nullptr;
  if (port == nullptr || !port->IsOpen()) return nullptr;
  return Allows(port->GetAccess(), AccessMode::Read) ? port : nullptr;
}

bool ReceiverMonitor::IsLinkOpen() {
  ReceiverLink* link = link_.load();
  return link != nullptr && link->InputPort() != nullptr && link->InputPort()->IsOpen();
}

bool ReceiverMonitor::SendCommand(const std::function<bool(ReceiverLink&)>& send) {
  std::lock_guard lock(commandLock_);
  ReceiverLink* link = link_.load();
  if (link == nullptr || link->OutputPort() == nullptr || !link->OutputPort()->IsOpen()) return false;
  return send(*link);
}

bool ReceiverMonitor::SendAutomaticTune(std::uint32_t interval) {
  return SendCommand([&](ReceiverLink& link) { return link.TuneAutomatic(interval); });
}

bool ReceiverMonitor::SendManualTune(double frequencyKhz, int bitRate, std::uint32_t interval) {
  return SendCommand([&](ReceiverLink& link) { return link.TuneManual(frequencyKhz, bitRate, interval); });
}

bool ReceiverMonitor::SendStatusRequest() {
  return SendCommand([](ReceiverLink& link) { return link.RequestStatus(); });
}

bool ReceiverMonitor::StopStatusOutput() {
  return SendCommand([](ReceiverLink& link) { return link.RequestStatusZero(); });
}

std::uint64_t ReceiverMonitor::ChecksumFailures() const {
  std::lock_guard lock(waitLock_);
  return framer_.Rejected();
}

ReceiverMonitor::LineCounts ReceiverMonitor::Counts() const {
  std::lock_guard lock(waitLock_);
  return {framer_.Bytes() - openedCounts_.bytes, framer_.Sentences() - openedCounts_.sentences,
          framer_.Rejected() - openedCounts_.rejected, echoes_};
}

void ReceiverMonitor::Receive(const std::uint8_t* bytes, std::size_t count) {
  // Framed under the wait lock, so that a wait taken meanwhile sees a whole position; handed on
  // without it, so that no listener runs under a lock of ours.
  std::vector<std::pair<std::string, std::uint64_t>> framed;
  {
    std::lock_guard lock(waitLock_);
    framer_.Feed(bytes, count, [&](std::string_view sentence, std::uint64_t start) { framed.emplace_back(sentence, start); });
  }
  for (const auto& [sentence, start] : framed) Dispatch(sentence, start);
}

void ReceiverMonitor::Dispatch(std::string_view text, std::uint64_t start) {
  ReceivedSentence sentence{std::string(text), KindOf(text), ReadingTime::Now()};
  {
    std::lock_guard lock(waitLock_);
    // A line that sends back what it is sent is no receiver; our own sentences answer nothing.
    if (IsOwnSentence(sentence.kind)) {
      ++echoes_;
      return;
    }
    for (ReplyWait* wait : waits_) {
      if (wait->kind_ == sentence.kind && !wait->reply_ && !wait->ended_ && start >= wait->after_ &&
          Answers(sentence)) {
        wait->reply_ = sentence;
        replied_.notify_all();
        break;
      }
    }
  }
  if (sentenceListener_) sentenceListener_(sentence);
}

void ReceiverMonitor::EndWaits(bool stopping) {
  {
    std::lock_guard lock(waitLock_);
    if (stopping) stopped_ = true;
    for (ReplyWait* wait : waits_) wait->ended_ = true;
  }
  replied_.notify_all();
}

bool ReceiverMonitor::MidSentence() const {
  std::lock_guard lock(waitLock_);
  return framer_.InSentence();
}

void ReceiverMonitor::WakeReader() {
  {
    std::lock_guard lock(idleLock_);
    opened_ = true;
  }
  idle_.notify_all();
}

bool ReceiverMonitor::StartReader() {
  if (readerThread_.joinable()) return true;
  running_.store(true);
  {
    std::lock_guard lock(waitLock_);
    stopped_ = false;
  }
  ReceiverLink* link = link_.load();
  if (link != nullptr && link->InputPort() != nullptr) link->InputPort()->InterruptReads(false);
  readerThread_ = std::thread([this] { ReaderThreadMain(); });
  return true;
}

void ReceiverMonitor::StopReader() {
  {
    std::lock_guard lock(idleLock_);
    running_.store(false);
  }
  idle_.notify_all();
  ReceiverLink* link = link_.load();
  if (link != nullptr && link->InputPort() != nullptr) link->InputPort()->InterruptReads(true);
  EndWaits(true);
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

void ReceiverMonitor::ReaderThreadMain() {
  if (readerDone_ != nullptr) readerDone_->Reset();
  std::array<std::uint8_t, kReadChunk> buffer{};
  while (running_.load()) {
    {
      std::lock_guard lock(idleLock_);
      if (opened_) {
        // A new line: what was half read on the old one belongs to no sentence.
        opened_ = false;
        std::lock_guard waits(waitLock_);
        framer_.Reset();
        openedCounts_ = {framer_.Bytes(), framer_.Sentences(), framer_.Rejected(), 0};
        echoes_ = 0;
      }
    }
    ReceiverPort* port = ReadablePort();
    if (port == nullptr) {
      // No line to hear a reply on (closed, lost, or open for writing only): a wait ends now.
      EndWaits();
      std::unique_lock lock(idleLock_);
      idle_.wait_for(lock, kIdleWait, [this] { return opened_ || !running_.load(); });
      continue;
    }
    std::size_t got = 0;
    const bool read = port->Read(buffer.data(), buffer.size(), got);
    if (got > 0) Receive(buffer.data(), got);
    if (!read && !port->IsOpen()) EndWaits();
    if (!read && port->IsOpen()) {
      // The line refuses reads but stays usable; look again later rather than spin.
      std::unique_lock lock(idleLock_);
      idle_.wait_for(lock, kIdleWait, [this] { return opened_ || !running_.load(); });
    }
    if (got > 0 && got < buffer.size() && MidSentence()) {
      std::unique_lock lock(idleLock_);
      idle_.wait_for(lock, kGatherWait, [this] { return opened_ || !running_.load(); });
    }
  }
  if (readerDone_ != nullptr) readerDone_->Set();
}

}  // namespace skylark

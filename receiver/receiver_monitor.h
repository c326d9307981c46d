#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>

#include "platform/events.h"
#include "receiver/line_queue.h"
#include "receiver/receiver_link.h"
#include "receiver/text_list.h"

namespace skylark {

// What the receiver is taken to be doing: the status snapshot.
struct ReceiverStatus {
  double frequency = 0.0;        // kHz, as last tuned or reported
  std::int32_t mskRate = 0;      // bits per second
  std::int32_t snr = 0;
  std::int32_t signalStrength = 0;
  bool locked = false;
  // When the status sentence behind strength and SNR arrived; none before the first reading.
  std::optional<ReadingTime> received = std::nullopt;

  bool operator==(const ReceiverStatus&) const = default;
};

// The receiver is taken to be locked on a beacon at this signal-to-noise ratio and above.
inline constexpr std::int32_t kLockThreshold = 7;

// Cuts the receiver's byte stream into sentences: a sentence ends with its LF, or just before a
// '$' that opens the next one. Bytes outside 0x21-0x7F cut the rest of their 15-byte piece.
class SentenceAssembler {
 public:
  using Sink = std::function<void(std::u16string_view sentence)>;

  static constexpr std::size_t kPieceSize = 16;
  static constexpr std::size_t kPendingSize = 512;

  // Passes every finished sentence to `emit`, in order.
  void AssembleSentences(const std::uint8_t* bytes, std::size_t count, const Sink& emit);
  // Forgets the sentence begun so far.
  void DiscardPending() { pendingLength_ = 0; }
  // Takes one piece of at most 15 characters; returns the bytes consumed (0 when it gave back
  // a '$' that opens the next sentence).
  std::size_t TakePiece(const std::uint8_t* bytes, std::size_t count, char16_t (&piece)[kPieceSize]);

 private:
  void Flush(const Sink& emit);

  char16_t pending_[kPendingSize] = {};
  std::size_t pendingLength_ = 0;
  bool boundary_ = false;
};

// The reader thread and the two locks that serialise every use of the receiver link: commands
// are written under the command lock, reply waits run one at a time under the reply lock. The
// reader appends to the line queue under the queue's own short lock, so it never waits for a
// reply wait and a wait sees every line queued while it runs. Before a command is written the
// reader is held and caught up (what the system holds is queued, a half-built sentence is
// dropped), so every line queued after the command's mark came after the command.
class ReceiverMonitor {
 public:
  static constexpr std::size_t kLineQueueLimit = LineQueue::kLimit;

  ReceiverMonitor();
  virtual ~ReceiverMonitor();

  ReceiverMonitor(const ReceiverMonitor&) = delete;
  ReceiverMonitor& operator=(const ReceiverMonitor&) = delete;

  // The reader's done event becomes the named one other processes may wait for; only the
  // instance that holds the single-instance guard does this, before StartReader.
  void PublishDoneEvent();

  // From now on the link's input port reads its lines from the line queue.
  void Attach(ReceiverLink* link);
  bool IsLinkOpen();

  // Each sets `mark` (when given) to the number of the newest line queued before the command:
  // the answer is queued after it.
  bool SendAutomaticTune(std::uint32_t interval, std::uint64_t* mark = nullptr);
  bool SendManualTune(double frequencyKhz, int bitRate, std::uint32_t interval, std::uint64_t* mark = nullptr);
  bool SendStatusRequest(std::uint64_t* mark = nullptr);
  // A "$PCSI,ACK" queued after `after`.
  bool AwaitTuneAcknowledge(std::uint64_t after = 0);
  // The newest status sentence queued, the older ones dropped; none when no new one has come.
  // Never waits.
  std::optional<StatusReading> QuerySignalStatus();
  // Fields 7, 8, 3, 5 and 11 of a status report queued after `after`; always 0.
  bool QueryReceiverStatus(std::int32_t& strength, std::int32_t& snr, double& frequency,
                           std::int32_t& bitRate, std::int32_t& stationId, std::uint64_t after = 0);
  // Discards pending input, then sends "$PCSI,1,0".
  bool StopStatusOutput();

  // Called on the reader thread whenever it queues a status sentence; set before StartReader.
  void SetStatusListener(std::function<void()> listener) { statusListener_ = std::move(listener); }
  bool StartReader();
  // Ends the reader loop and every reply wait in progress.
  void StopReader();
  // Waits for the reader thread to end; false when it has not within the time.
  bool WaitReaderDone(int timeoutMs);
  // Waits for the reader thread to end, however long its last read takes.
  void JoinReader();

  // Appends one finished sentence to the line queue (the reader's path); one whose checksum is
  // wrong is counted instead.
  void QueueLine(std::u16string_view line);
  std::size_t QueuedLines();
  std::size_t DroppedLines();
  // Sentences dropped so far for a wrong checksum.
  std::uint64_t ChecksumFailures() const { return checksumFailures_.load(); }

  // The reader loop: reads up to 16 bytes at a time while the input port is open for reading;
  // pauses 20 ms after a short read and 100 ms when a read brought nothing. Stopping ends the
  // read and the pauses at once.
  virtual void ReaderThreadMain();

 private:
  bool OutputPortOpen() const;  // command lock held
  bool InputPortOpen() const;
  bool InputPortReadable() const;
  // Holds the reader out of its read (command lock held) and queues what the system holds.
  std::unique_lock<std::mutex> CatchUpReader();
  bool SendCommand(std::uint64_t* mark, const std::function<bool(ReceiverLink&)>& send);
  void Pause(std::chrono::milliseconds time);

  LineQueue lineQueue_;
  std::thread readerThread_;
  std::unique_ptr<platform::Event> readerDone_;
  std::atomic<bool> running_{true};
  std::atomic<ReceiverLink*> link_{nullptr};
  std::mutex replyLock_;
  std::mutex commandLock_;
  std::mutex readLock_;  // the reader's read and assembly; the assembler
  std::atomic<int> readerHolds_{0};
  std::mutex pauseLock_;
  std::condition_variable pauseEnd_;
  SentenceAssembler assembler_;
  std::function<void()> statusListener_;
  std::atomic<std::uint64_t> checksumFailures_{0};
};

// The status thread: every 500 ms, at once when the reader queues a status sentence, and at once
// when another process signals the update event, one poll; ends when the terminate event is
// signalled.
class StatusThread {
 public:
  explicit StatusThread(std::function<void()> poll);
  virtual ~StatusThread();

  StatusThread(const StatusThread&) = delete;
  StatusThread& operator=(const StatusThread&) = delete;

  // The terminate, update and done events become the named ones other processes may signal.
  // Only the instance that holds the single-instance guard does this, before StartPolling: any
  // other process keeps private events and so never disturbs the running one.
  void PublishEvents();
  bool StartPolling();
  void SignalTerminate();
  // Asks for a poll at once (a status sentence has been queued).
  void Wake();
  // Waits for the thread to end; false when it has not within the time.
  bool WaitDone(int timeoutMs);
  // Waits for the thread to end, however long its poll takes.
  void Join();

 private:
  void StatusThreadMain();

  std::function<void()> poll_;
  std::unique_ptr<platform::Event> terminateEvent_;
  std::unique_ptr<platform::Event> doneEvent_;
  std::unique_ptr<platform::Event> updateEvent_;
  std::thread thread_;
  std::atomic<bool> polling_{false};
};

inline constexpr std::u16string_view kUpdateEventName = u"cvSkylark.UpdateEvent";
inline constexpr std::u16string_view kTerminateEventName = u"cvSkylark.TerminateEvent";
inline constexpr std::u16string_view kStatusDoneEventName = u"Beacon_Status_Thread_Done";
inline constexpr std::u16string_view kReaderDoneEventName = u"Beacon_Reader_Thread_Done";

}  // namespace skylark

#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/events.h"
#include "receiver/receiver_link.h"
#include "receiver/sentence_framer.h"
#include "receiver/sentences.h"

namespace skylark {

// When a sentence arrived: the monotonic time gives its age, the calendar time is for people.
struct ReadingTime {
  std::chrono::steady_clock::time_point monotonic{};
  std::chrono::system_clock::time_point utc{};

  bool operator==(const ReadingTime&) const = default;
  static ReadingTime Now() { return {std::chrono::steady_clock::now(), std::chrono::system_clock::now()}; }
};

// One sentence as the reader framed it.
struct ReceivedSentence {
  std::string text;
  SentenceKind kind = SentenceKind::Other;
  ReadingTime received;
};

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
inline constexpr bool IsLocked(std::int32_t snr) { return snr >= kLockThreshold; }

class ReceiverMonitor;

// A command's wait for its reply, taken before the command is written: the reader hands it the
// first sentence of its kind that begins after that moment. Ends when the reply comes, at its
// deadline, when the line is lost or when the reader stops.
class ReplyWait {
 public:
  ReplyWait(ReceiverMonitor& monitor, SentenceKind kind);
  ~ReplyWait();
  ReplyWait(const ReplyWait&) = delete;
  ReplyWait& operator=(const ReplyWait&) = delete;

  std::optional<ReceivedSentence> Await(std::chrono::milliseconds wait);

 private:
  friend class ReceiverMonitor;
  ReceiverMonitor& monitor_;
  SentenceKind kind_;
  std::uint64_t after_ = 0;  // the first byte of the line a reply may begin at
  std::optional<ReceivedSentence> reply_;
  bool ended_ = false;
};

// The one reader of the receiver's input line and the lock that serialises every command. The
// reader thread frames each sentence as its last byte arrives and hands it at once to the reply
// wait of its kind, if one is registered, and to the sentence listener (the status snapshot),
// whether or not a command waits. Nothing on that path sleeps or polls.
class ReceiverMonitor {
 public:
  using SentenceListener = std::function<void(const ReceivedSentence&)>;

  ReceiverMonitor();
  virtual ~ReceiverMonitor();

  ReceiverMonitor(const ReceiverMonitor&) = delete;
  ReceiverMonitor& operator=(const ReceiverMonitor&) = delete;

  // The reader's done event becomes the named one other processes may wait for; only the
  // instance that holds the single-instance guard does this, before StartReader.
  void PublishDoneEvent();

  // The reader reads the link's input port from now on, and wakes when it is opened.
  void Attach(ReceiverLink* link);
  bool IsLinkOpen();

  bool SendAutomaticTune(std::uint32_t interval);
  bool SendManualTune(double frequencyKhz, int bitRate, std::uint32_t interval);
  bool SendTune(const TuneCommand& tune);
  bool SendStatusRequest();
  // Sends "$PCSI,1,0".
  bool StopStatusOutput();
  // The standard queries, each answered by one sentence: none when the command could not be sent,
  // or no answer came within `wait`.
  std::optional<SignalStatus> QueryStatus(std::chrono::milliseconds wait);
  std::optional<TuneCommand> QueryTune(std::chrono::milliseconds wait);

  // Called on the reader thread for every sentence, in order; set before StartReader.
  void SetSentenceListener(SentenceListener listener) { sentenceListener_ = std::move(listener); }
  bool StartReader();
  // Ends the reader loop and every reply wait in progress.
  void StopReader();
  // Waits for the reader thread to end; false when it has not within the time.
  bool WaitReaderDone(int timeoutMs);
  // Waits for the reader thread to end, however long its last read takes.
  void JoinReader();

  // What the reader has seen since the port was last opened: bytes, sentences framed, sentences
  // dropped (noise inside, too long, a wrong checksum), and our own sentences coming back.
  struct LineCounts {
    std::uint64_t bytes = 0;
    std::uint64_t sentences = 0;
    std::uint64_t rejected = 0;
    std::uint64_t echoes = 0;
  };
  LineCounts Counts() const;
  // Sentences dropped since the reader started, for the cable note.
  std::uint64_t ChecksumFailures() const;

  // Frames bytes as the reader does and hands the sentences on (the reader's path, and tests').
  void Receive(const std::uint8_t* bytes, std::size_t count);

  // The reader loop: blocks in the port's read while the input port is open for reading, and on
  // its wake-up otherwise; in the middle of a paced sentence it lets 20 ms of it gather.
  virtual void ReaderThreadMain();

 private:
  friend class ReplyWait;

  ReceiverPort* ReadablePort() const;
  bool SendCommand(const std::function<bool(ReceiverLink&)>& send);
  void Dispatch(std::string_view sentence, std::uint64_t start);
  // Ends every wait: the line is gone, or (`stopping`) the reader stops, and then every later
  // wait too until it starts again.
  void EndWaits(bool stopping = false);
  void WakeReader();
  bool MidSentence() const;

  std::thread readerThread_;
  std::unique_ptr<platform::Event> readerDone_;
  std::atomic<bool> running_{true};
  std::atomic<ReceiverLink*> link_{nullptr};
  std::mutex commandLock_;

  // The reader's wake-up while it has no line to read.
  std::mutex idleLock_;
  std::condition_variable idle_;
  bool opened_ = false;

  // Reply waits, oldest first, and what the reader has framed; the reader holds this lock only
  // to hand a sentence over.
  mutable std::mutex waitLock_;
  std::condition_variable replied_;
  std::list<ReplyWait*> waits_;
  bool stopped_ = false;
  SentenceFramer framer_;
  LineCounts openedCounts_;  // the framer's counts when the line was opened
  std::uint64_t echoes_ = 0;
  SentenceListener sentenceListener_;
};

// The status thread: runs the station identification the reader asks for, and a poll whenever
// another process signals the update event; ends when the terminate event is signalled.
class StatusThread {
 public:
  // `poll` runs every 500 ms, and at once (with `requested` true) when woken.
  explicit StatusThread(std::function<void(bool requested)> poll);
  virtual ~StatusThread();

  StatusThread(const StatusThread&) = delete;
  StatusThread& operator=(const StatusThread&) = delete;

  // The terminate, update and done events become the named ones other processes may signal.
  // Only the instance that holds the single-instance guard does this, before StartPolling: any
  // other process keeps private events and so never disturbs the running one.
  void PublishEvents();
  bool StartPolling();
  void SignalTerminate();
  // Asks for a poll at once.
  void Wake();
  // Waits for the thread to end; false when it has not within the time.
  bool WaitDone(int timeoutMs);
  // Waits for the thread to end, however long its poll takes.
  void Join();

 private:
  void StatusThreadMain();

  std::function<void(bool)> poll_;
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

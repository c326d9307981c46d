#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/notifications.h"
#include "app/receiver_state.h"
#include "app/status_text.h"
#include "platform/instance_guard.h"
#include "platform/settings_store.h"
#include "receiver/receiver_link.h"
#include "receiver/receiver_monitor.h"
#include "receiver/port_recovery.h"
#include "sites/beacon_site.h"
#include "sites/site_catalogue.h"
#include "sites/site_file.h"

namespace skylark {

enum TuneMode : std::int32_t { kTuneAutomatic = 0, kTuneByFrequency = 1, kTuneBySite = 2 };
enum ActivePage : std::int32_t { kConfigurationPage = 0, kStatusPage = 1, kTunePage = 2 };

inline constexpr std::u16string_view kInstanceGuardName = u"_____SKYLARK_____";

// The current site and the status snapshot, read and written together under one lock so that no
// page ever sees a text while it is replaced.
struct SharedState {
  BeaconSite currentSite;
  ReceiverStatus status;
};

// One status reading as it left the shared state; numbered from 1 in the order they came.
struct Reading {
  std::uint64_t number = 0;
  SharedState state;
  std::uint64_t tunes = 0;  // how many tunes had been sent when it came
};

struct ApplicationOptions {
  // Where settings are loaded from and saved to; null: neither (the command line's use).
  platform::SettingsStore* settings = nullptr;
  // Where the two notifications go; null: nowhere.
  Notifications* notifications = nullptr;
  // Where the site file's message goes; null: nowhere.
  SiteFileReporter* siteFileReporter = nullptr;
  // Start searches these directories for the site file: the first, then the second only when
  // the first gave nothing. Both unset: the current directory, the program's folder, then the
  // system root directory.
  std::optional<std::u16string> firstSiteDirectory;
  std::optional<std::u16string> secondSiteDirectory;
  bool searchSiteFile = true;
  // The longest wait for the receiver's answer to a tune (its 2000 ms to take the tune and the
  // 2000 ms reply wait) and for a station report. Tests may shorten them.
  std::chrono::milliseconds tuneWait{4000};
  std::chrono::milliseconds replyWait{2000};
  // Whether a gain of lock in automatic mode asks the receiver which station it hears. A watcher
  // that does not know how the receiver was tuned leaves it alone.
  bool identifyStations = true;
  // Whether a lost port is opened again every `reconnectPeriod` until it is back, and the
  // receiver then told its tune again; a receiver whose last tune this program did not send is
  // asked for it and retuned with `restoreInterval`.
  bool reconnect = true;
  std::chrono::milliseconds reconnectPeriod{2000};
  std::uint32_t restoreInterval = 1;
};

// The one application object: the receiver link and its monitor, the site catalogue, the current
// site, the status snapshot, the tune mode and the active page.
class Application {
 public:
  explicit Application(ApplicationOptions options = {});
  ~Application();

  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Takes the single-instance guard and starts; false (nothing started) for a second instance.
  bool Initialize();
  // Reads the site file, loads the settings, starts the status thread, attaches the monitor and
  // starts the reader thread.
  void Start();
  // Runs once: stops the receiver's status output, retunes with interval 0, stops both threads
  // (at most 2000 ms each), closes the port and clears the catalogue.
  void Shutdown();
  // The thread-stopping part of Shutdown alone, for callers that leave the receiver as tuned.
  void StopThreads();

  void LoadSettings();
  // The settings, when loaded, named no port: a first start, on which the user is helped to find
  // the receiver. False without a settings store.
  bool NoPortStored() const { return noPortStored_; }
  // Writes every value, even after one failed; false when any could not be stored.
  bool SaveSettings();

  // Tunes in the current tune mode; true when the receiver acknowledged. Returns as soon as it
  // did, or at once when the line is lost.
  bool Tune(std::uint32_t statusInterval);
  // Another process asked for a poll: the Status page is told to show the newest reading.
  bool PollStatus();
  // Asks the receiver for one status sentence ("$GPCRQ,MSS") and waits up to the reply wait for
  // it; the answer reaches the snapshot as any reading does. False when none came.
  bool RequestReading();
  // What the receiver is doing, in one word, as of now.
  ReceiverState CurrentState();
  // Makes the site with that station ID current; a reported frequency (kHz, 0 for none) picks
  // among sites that share the ID.
  bool SelectSiteByStationId(std::uint32_t stationId, double frequencyKhz = 0.0);
  // Tells the user interface that the current site or the lock changed, or the port was lost.
  void NotifySiteChanged();
  bool IsLinkOpen();
  // The port's loss since it was last opened, once.
  std::optional<PortLoss> TakePortLoss();
  bool PortLossPending();
  // The system reported a device gone ("COM12"); when it was the open port's, the port's loss
  // follows as on a failed read, with its site-changed notification.
  void DeviceRemoved(std::u16string_view device);
  // The input port as the status texts judge it.
  LinkView InputLink();
  // The lost port waited for, while it is.
  std::optional<std::u16string> Reconnecting() const;
  // Close Port while waiting: no more tries.
  void StopReconnecting();
  // The port waited for comes back with `access` (the layout changed while waiting).
  void ReconnectWith(AccessMode access);
  // The port came back but the receiver did not say how it was tuned: readings come on request
  // only. Cleared by the next tune.
  bool ReadingsOnlyOnRequest() const { return readingsOnlyOnRequest_.load(); }

  // The readings since the one numbered `after`, oldest first (the newest 256 at most): those the
  // Status page applied, and those heard while another page was shown, for the chart and the
  // signal log.
  std::vector<Reading> ReadingsSince(std::uint64_t after) const;

  // Shared state.
  SharedState State() const;
  BeaconSite CurrentSite() const;
  ReceiverStatus Status() const;
  void SetCurrentSite(const BeaconSite& site);
  // Runs `update` on the shared state under its lock.
  void UpdateState(const std::function<void(SharedState&)>& update);

  std::int32_t TuneModeValue() const { return tuneMode_.load(); }
  // A new tune mode or site outdates any station report asked for before it.
  void SetTuneMode(std::int32_t mode);
  // Seconds between the receiver's status sentences: the interval of the last tune sent (1, as
  // the Tune page tunes, until then), or the spacing of its last two readings when that is
  // longer (another program tuned it).
  std::uint32_t StatusInterval() const;
  std::int32_t ActivePageValue() const { return activePage_.load(); }
  // Readings are applied while the Status page is shown; turning to it applies the newest one
  // that came meanwhile, so that the page does not show the reading it had when it was left.
  void SetActivePage(std::int32_t page);

  ReceiverLink& Link() { return receiverLink_; }
  ReceiverMonitor& Monitor() { return monitor_; }
  // Filled at start-up, read-only until shutdown clears it.
  SiteCatalogue& Catalogue() { return catalogue_; }
  // The directories searched for the site file at start-up, in order.
  const std::vector<std::u16string>& SiteFileSearch() const { return siteFileSearch_; }
  bool Started() const { return started_; }

 private:
  void PostStatusChanged();
  // The reader's path: a status sentence reaches the snapshot (reader thread).
  void OnSentence(const ReceivedSentence& sentence);
  // Applies one reading to the shared state: values, lock, the station asked for (apply lock held).
  void ApplyReading(const SignalStatus& reading, const ReadingTime& received, bool number);
  // Keeps a reading, numbered, for ReadingsSince (stateLock_ held).
  void Number(const SharedState& state);
  // Asks the receiver for its station report and applies it while nothing has been retuned
  // since `generation` (status thread).
  void Identify(std::uint64_t generation);
  void OnStatusThread(bool requested);
  // The lost port is open again (recovery thread): the pages are told, the receiver retuned.
  void OnPortRestored();
  // On the status thread: the one reading asked for by itself when the Status page was turned to
  // and none came.
  void RequestReadingWhenSilent();

  ApplicationOptions options_;
  SiteCatalogue catalogue_;
  std::vector<std::u16string> siteFileSearch_;
  ReceiverLink receiverLink_;
  ReceiverMonitor monitor_;
  mutable std::mutex stateLock_;
  SharedState state_;
  // Counts every change of what the receiver is tuned to (guarded by stateLock_).
  std::uint64_t tuneGeneration_ = 0;
  std::uint64_t tunesSent_ = 0;  // guarded by stateLock_
  std::deque<Reading> readings_;  // guarded by stateLock_
  std::uint64_t readingCount_ = 0;
  std::chrono::steady_clock::duration readingSpacing_{};
  // Serialises applying readings: the reader thread applies as they come, the main thread the
  // one kept while another page was shown.
  std::mutex applyLock_;
  std::optional<std::pair<SignalStatus, ReadingTime>> keptReading_;
  // When the last status sentence came, on any page (guarded by applyLock_).
  std::optional<std::chrono::steady_clock::time_point> lastSentenceAt_;
  // The generation a station report was asked for under, plus one; 0: none asked.
  std::atomic<std::uint64_t> identifyRequest_{0};
  std::atomic<std::int32_t> tuneMode_{kTuneAutomatic};
  std::atomic<std::int32_t> activePage_{kConfigurationPage};
  std::atomic<std::uint32_t> statusInterval_{1};
  std::atomic<bool> statusThreadStarted_{false};  // read by the reader thread too
  bool readerThreadStarted_ = false;
  bool noPortStored_ = false;
  bool started_ = false;
  std::unique_ptr<StatusThread> statusThread_;
  std::unique_ptr<platform::InstanceGuard> instanceGuard_;
  std::atomic<bool> readingsOnlyOnRequest_{false};
  // When the Status page was turned to, while a reading may still be asked for by itself
  // (guarded by applyLock_).
  std::optional<std::chrono::steady_clock::time_point> shownSince_;
  // When the last tune was sent (guarded by applyLock_).
  std::optional<std::chrono::steady_clock::time_point> tunedAt_;
  std::unique_ptr<PortRecovery> recovery_;
};

}  // namespace skylark

#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "app/notifications.h"
#include "app/status_text.h"
#include "platform/instance_guard.h"
#include "platform/settings_store.h"
#include "receiver/receiver_link.h"
#include "receiver/receiver_monitor.h"
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
  // The protocol's own pauses (the 2000 ms after a tune, the 200 ms reply passes); tests may
  // shorten them.
  std::function<void(std::chrono::milliseconds)> sleeper;
  // The longest wait for a reply the reader queues: ten passes of 200 ms. Tests may shorten it.
  std::chrono::milliseconds replyWait{2000};
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
  // Writes every value, even after one failed; false when any could not be stored.
  bool SaveSettings();

  // Tunes in the current tune mode; true when the receiver acknowledged.
  bool Tune(std::uint32_t statusInterval);
  bool PollStatus();
  // Makes the site with that station ID current; a reported frequency (kHz, 0 for none) picks
  // among sites that share the ID.
  bool SelectSiteByStationId(std::uint32_t stationId, double frequencyKhz = 0.0);
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

  // Shared state.
  SharedState State() const;
  BeaconSite CurrentSite() const;
  ReceiverStatus Status() const;
  void SetCurrentSite(const BeaconSite& site);
  // Runs `update` on the shared state under its lock.
  void UpdateState(const std::function<void(SharedState&)>& update);

  std::int32_t TuneModeValue() const { return tuneMode_.load(); }
  void SetTuneMode(std::int32_t mode) { tuneMode_.store(mode); }
  // The status interval of the last tune sent (1, as the Tune page tunes, until then).
  std::uint32_t StatusInterval() const { return statusInterval_.load(); }
  std::int32_t ActivePageValue() const { return activePage_.load(); }
  // Turning to the Status page asks for a poll at once, so that the page does not show the
  // reading it had when it was left until the next tick.
  void SetActivePage(std::int32_t page);

  ReceiverLink& Link() { return receiverLink_; }
  ReceiverMonitor& Monitor() { return monitor_; }
  // Filled at start-up, read-only until shutdown clears it.
  SiteCatalogue& Catalogue() { return catalogue_; }
  bool Started() const { return started_; }

 private:
  void Sleep(std::chrono::milliseconds duration);
  void PostSiteChanged();
  void PostStatusChanged();

  ApplicationOptions options_;
  SiteCatalogue catalogue_;
  ReceiverLink receiverLink_;
  ReceiverMonitor monitor_;
  mutable std::mutex stateLock_;
  SharedState state_;
  std::atomic<std::int32_t> tuneMode_{kTuneAutomatic};
  std::atomic<std::int32_t> activePage_{kConfigurationPage};
  std::atomic<std::uint32_t> statusInterval_{1};
  bool statusThreadStarted_ = false;
  bool readerThreadStarted_ = false;
  bool started_ = false;
  std::unique_ptr<StatusThread> statusThread_;
  std::unique_ptr<platform::InstanceGuard> instanceGuard_;
};

}  // namespace skylark

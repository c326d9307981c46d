#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/serial_line.h"
#include "receiver/receiver_monitor.h"
#include "sites/beacon_site.h"

// How the receiver's state is written for people: the Status page and `skylark-cli status` show
// the same texts.
namespace skylark {

struct StatusTexts {
  std::u16string site;       // the beacon name, or "None" for an empty name or "-"
  std::u16string stationId;  // decimal, or "None" for 0
  // "%05.1f kHz" within 283.5 to 325.0 kHz, else none: the field keeps what it showed.
  std::optional<std::u16string> frequency;
  // "%d bps" for 100 to 200 bit/s, else none.
  std::optional<std::u16string> mskRate;
  std::u16string locked;          // "Yes" at an SNR of 7 and above, else "No"; "Port not open"
  std::u16string signalStrength;  // decimal, negatives as 0; "N/A" while the port is closed
  std::u16string snr;             // decimal, negatives as 0; "N/A" while the port is closed
  // True while the port is open and the last reading is older than StaleAfter: strength, SNR and
  // lock are then the last ones heard, not what the receiver hears now.
  bool stale = false;
  // "No reading for N s" (or "No reading since the port was opened N s ago") while stale
  std::u16string age = {};
};

// What the pages need to know of the input port: open or not, whether it can be read (the texts)
// and written (a tune), and when it was opened (none: the texts do not judge what came since).
struct LinkView {
  LinkView(bool isOpen = false) : open(isOpen) {}  // NOLINT: a plain open/closed converts
  bool open = false;
  bool readable = true;
  bool writable = true;
  std::optional<std::chrono::steady_clock::time_point> openedAt;
};

// The moment the texts are for, and the status interval the receiver was tuned with (seconds
// between its status sentences).
struct StatusClock {
  std::chrono::steady_clock::time_point now;
  std::uint32_t statusInterval = 1;
};

// A reading is stale once no newer one has come for three status intervals, and never sooner
// than 3 s: one late or lost sentence is no silence.
std::chrono::milliseconds StaleAfter(std::uint32_t statusInterval);

// Without a clock the health values are never taken as stale. With one, an open port that has
// given no reading since it was opened shows its health values stale from the moment it opened;
// a port that cannot be read shows none.
StatusTexts FormatStatus(const BeaconSite& currentSite, const ReceiverStatus& status, const LinkView& link,
                         std::optional<StatusClock> clock = std::nullopt);

// The frequency and rate a page shows: each follows the readings while they hold a value in the
// beacon band, and keeps its last text otherwise (0 after an automatic tune, before the receiver
// reported).
void FollowTuning(const StatusTexts& texts, std::u16string& frequency, std::u16string& rate);

// Why a line could not be opened or was lost, as the sentence shown after the message that says
// so: "No such device: /dev/ttyS7.", "COM12 is in use by another program (PID 4711)." and so on.
std::u16string LineErrorText(const platform::LineError& error);

// "%3.1f" of a frequency in kHz and "%d" of a rate, as the Tune page's lists show them;
// independent of the process's locale.
std::u16string FormatListFrequency(double frequencyKhz);
std::u16string FormatListRate(int bitRate);

}  // namespace skylark

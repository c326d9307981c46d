#pragma once

#include <optional>
#include <string>

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
};

StatusTexts FormatStatus(const BeaconSite& currentSite, const ReceiverStatus& status, bool linkOpen);

// "%3.1f" of a frequency in kHz and "%d" of a rate, as the Tune page's lists show them;
// independent of the process's locale.
std::u16string FormatListFrequency(double frequencyKhz);
std::u16string FormatListRate(int bitRate);

}  // namespace skylark

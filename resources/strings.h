#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// The string table: every user-visible text, by its number, held once so that the core, the
// command line and the user interface show the same words.
namespace skylark::resources {

enum StringId : int {
  kTuneTitle = 19,              // "Tune"
  kStatusTitle = 20,            // "Status"
  kOpenPort = 22,               // "Open Port"
  kSiteFileOpenFailed = 39,     // "Could not open Beacon Site file."
  kTuneSucceeded = 40,          // "Beacon Tuned Successfully!"
  kTuneFailed = 41,             // "Beacon tuning failed. Check beacon port settings."
  kNone = 43,                   // "None"
  kNo = 44,                     // "No"
  kYes = 45,                    // "Yes"
  kNotAvailable = 52,           // "N/A"
  kPortNotOpen = 54,            // "Port not open"
  kClosePort = 55,              // "Close Port"
  kAutomatic = 56,              // "Automatic"
  kSelectedByFrequency = 57,    // "Selected by frequncy"
  kAbleToOpen = 66,             // "Able to open port for %s."
  kFailedToOpen = 67,           // "Failed to open port for %s."
  kPortClosedFor = 68,          // "Port closed for %s."
  kBeaconConnected = 69,        // "Beacon connected for %s."
  kCaption = 72,                // "Trekline Beacon Configuration"
  kAccessReading = 73,          // "reading"
  kAccessWriting = 74,          // "writing"
  kAccessReadingWriting = 75,   // "reading and writing"
  kAccessOther = 76,            // "access"
  kInputAndOutputPort = 77,     // "Input and Output Port"
  kInputPort = 78,              // "Input Port"
  kOutputPort = 79,             // "Output Port"
  kConfigureTitle = 80,         // "Configure"
  kNoReadingFor = 81,           // "No reading for %s s"
  kTuning = 82,                 // "Tuning..."
  kSettingsNotSaved = 83,       // "The settings could not be saved; the next start shows them as before."
  kNoReadingSinceOpen = 84,     // "No reading since the port was opened %s s ago"
  kPortLost = 85,               // "Port %s was lost and has been closed."
  kSiteNotTunable = 86,         // "The site file gives this beacon no frequency or no MSK rate, so it cannot be tuned."
  kReceiverAnswered = 87,       // "A receiver answered: station %s."
  kReceiverHeard = 88,          // "A receiver is talking on this port; it did not report its station."
  kNoReceiverAnswered = 89,     // "No receiver answered on this port."
  kNoSentencesIn = 90,          // "no sentences in %s bytes: wrong speed?"
  kLineEchoes = 91,             // "The line sends back what it is sent: an echo, not a receiver."
  kNoSuchDevice = 92,           // "No such device: %s."
  kPermissionDenied = 93,       // "Permission denied on %s."
  kJoinGroupHint = 94,          // " The device belongs to the group %s: add yourself to it with ..."
  kDeviceOwnerHint = 95,        // " The device belongs to the user %s and the group %s, mode %s."
  kInUse = 96,                  // "%s is in use by another program."
  kInUseBy = 97,                // "%s is in use by another program (PID %s)."
  kOpenHere = 98,               // "%s is already open in this program."
  kSystemError = 99,            // "%s: %s."
  kBadLineSettings = 100,       // "The device does not take the line settings."
  kLineHungUp = 101,            // "The device was unplugged or the line hung up."
  kWriteRefused = 102,          // "The device refused to take data: it was unplugged or the line hung up."
  kWriteStalled = 103,          // "The device stopped taking data."
  kDeviceRemoved = 104,         // "The device was removed."
  kConnectionClosed = 105,      // "The connection was closed."
  kRfc2217Unavailable = 106,    // "RFC 2217 is not available on this system; use tcp:// with a server in raw mode"
  kInUseByProgram = 107,        // "%s is in use by %s (PID %s)."
  kConsoleNotProbed = 108,      // "%s is the system console; it is not probed."
  kNoSiteFileIn = 109,          // "No site file (%s) was found in: %s. ..."
  kGuiUsage = 110,              // "Usage: skylark [--help] [--version] [Qt options]..."
  kSiteDetails = 120,           // "Site Details"
  kReceiverHealth = 121,        // "Receiver Health"
  kSiteLabel = 122,             // "Site:"
  kFrequencyLabel = 123,        // "Frequency:"
  kMskLabel = 124,              // "Minimum Shift Keying:"
  kStationIdLabel = 125,        // "Station ID:"
  kLockedLabel = 126,           // "Locked:"
  kSignalStrengthLabel = 127,   // "Signal Strength:"
  kSnrLabel = 128,              // "Signal to Noise Ratio:"
  // The Tune page's port note and the command line's own words.
  kTuneNeedsWriting = 300,      // "The port is open for reading only, so the receiver cannot be tuned. ..."
  kCannotTuneTo = 301,          // "The receiver cannot be tuned to %s kHz at %s bps: ..."
  kNoSuchSite = 302,            // "No such site in the site file: %s"
  kOneChecksumFailure = 303,    // "1 sentence dropped for a wrong checksum (check the cable)"
  kChecksumFailures = 304,      // "%s sentences dropped for a wrong checksum (check the cable)"
  kNoStatusFor = 305,           // "no status from the receiver for %s s (%s)"
  kNoStatusInterval = 306,      // "is it tuned with a status interval?"
  kNoRunningSkylark = 307,      // "no running Skylark holds the event \"%s\""
  kRegionHeading = 308,         // "Region"
  kCountryHeading = 309,        // "Country"
  kBeaconHeading = 310,         // "Beacon"
  kRateHeading = 311,           // "Rate"
  kKhzHeading = 312,            // "kHz"
  kIdHeading = 313,             // "ID"
  kId2Heading = 314,            // "ID2"
  kOneSite = 315,               // "1 site"
  kSiteCount = 316,             // "%s sites"
  kPortOpens = 317,             // "opens"
  kPortFree = 318,              // "free"
  kDefaultDevice = 319,         // "%s (the default)"
  kBothDirections = 320,        // "both"
  kInputOnly = 321,             // "input"
  kOutputOnly = 322,            // "output"
  kNoPortOpens = 323,           // "No port can be opened."
  kReceiverFound = 324,         // "receiver"
  kReceiverStation = 325,       // "receiver (station %s, %s kHz)"
  // The page controls' labels, each with its keyboard mnemonic ("&") where it has one.
  kSamePortLabel = 200,         // "&Use the same port for input and output."
  kScanButton = 201,            // "&Scan for Available Ports"
  kTestButton = 202,            // "Test"
  kTuneAutomaticLabel = 203,    // "Tune &Automatically"
  kTuneByFrequencyLabel = 204,  // "Tune by &Frequency:"
  kTuneBySiteLabel = 205,       // "Tune by &Site:"
  kFrequencyListLabel = 206,    // "Fre&quency:"
  kRateListLabel = 207,         // "&MSK Rate (bps):"
  kRegionListLabel = 208,       // "&Region:"
  kCountryListLabel = 209,      // "Cou&ntry:"
  kBeaconListLabel = 210,       // "&Beacon:"
  kTuneButton = 211,            // "Tune"
};

// The text of a string-table entry; an empty view for a number the table does not hold.
std::u16string_view LoadText(int id);

// A message entry with its one "%s" replaced by `argument`.
std::u16string FormatText(int id, std::u16string_view argument);
// A message entry with its "%s" replaced by the arguments in order.
std::u16string FormatText(int id, std::initializer_list<std::u16string_view> arguments);

// UTF-8 for terminals, JSON and logs; the table's texts are all ASCII, site names are Latin-1.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace skylark::resources

#include "resources/strings.h"

#include <utility>

namespace skylark::resources {
namespace {

// "frequncy" is the receiver vendor's own spelling; it is what users and stored settings know.
constexpr std::pair<int, std::u16string_view> kTable[] = {
    {kTuneTitle, u"Tune"},
    {kStatusTitle, u"Status"},
    {kOpenPort, u"Open Port"},
    {kSiteFileOpenFailed, u"Could not open Beacon Site file."},
    {kTuneSucceeded, u"Beacon Tuned Successfully!"},
    {kTuneFailed, u"Beacon tuning failed. Check beacon port settings."},
    {kNone, u"None"},
    {kNo, u"No"},
    {kYes, u"Yes"},
    {kNotAvailable, u"N/A"},
    {kPortNotOpen, u"Port not open"},
    {kClosePort, u"Close Port"},
    {kAutomatic, u"Automatic"},
    {kSelectedByFrequency, u"Selected by frequncy"},
    {kAbleToOpen, u"Able to open port for %s."},
    {kFailedToOpen, u"Failed to open port for %s."},
    {kPortClosedFor, u"Port closed for %s."},
    {kBeaconConnected, u"Beacon connected for %s."},
    {kCaption, u"Trekline Beacon Configuration"},
    {kAccessReading, u"reading"},
    {kAccessWriting, u"writing"},
    {kAccessReadingWriting, u"reading and writing"},
    {kAccessOther, u"access"},
    {kInputAndOutputPort, u"Input and Output Port"},
    {kInputPort, u"Input Port"},
    {kOutputPort, u"Output Port"},
    {kConfigureTitle, u"Configure"},
    {kNoReadingFor, u"No reading for %s s"},
    {kTuning, u"Tuning..."},
    {kSettingsNotSaved, u"The settings could not be saved; the next start shows them as before."},
    {kNoReadingSinceOpen, u"No reading since the port was opened %s s ago"},
    {kPortLost, u"Port %s was lost and has been closed."},
    {kReceiverAnswered, u"A receiver answered: station %s."},
    {kReceiverHeard, u"A receiver is talking on this port; it did not report its station."},
    {kNoReceiverAnswered, u"No receiver answered on this port."},
    {kNoSentencesIn, u"no sentences in %s bytes: wrong speed?"},
    {kLineEchoes, u"The line sends back what it is sent: an echo, not a receiver."},
    {kNoSuchDevice, u"No such device: %s."},
    {kPermissionDenied, u"Permission denied on %s."},
    {kJoinGroupHint,
     u" The device belongs to the group %s: add yourself to it with \"sudo usermod -aG %s %s\", then log out and in again."},
    {kDeviceOwnerHint, u" The device belongs to the user %s and the group %s, mode %s."},
    {kInUse, u"%s is in use by another program."},
    {kInUseBy, u"%s is in use by another program (PID %s)."},
    {kOpenHere, u"%s is already open in this program."},
    {kSystemError, u"%s: %s."},
    {kBadLineSettings, u"The device does not take the line settings."},
    {kLineHungUp, u"The device was unplugged or the line hung up."},
    {kWriteRefused, u"The device refused to take data: it was unplugged or the line hung up."},
    {kWriteStalled, u"The device stopped taking data."},
    {kConnectionClosed, u"The connection was closed."},
    {kRfc2217Unavailable, u"RFC 2217 is not available on this system; use tcp:// with a server in raw mode"},
    {kDeviceRemoved, u"The device was removed."},
    {kInUseByProgram, u"%s is in use by %s (PID %s)."},
    {kConsoleNotProbed, u"%s is the system console; it is not probed."},
    {kNoSiteFileIn, u"No site file (%s) was found in: %s. Put one there to tune by site."},
    {kGuiUsage, u"Usage: skylark [--help] [--version] [Qt options]\n"
                u"Configures a DGPS radio-beacon receiver on a serial line, in a window.\n"
                u"  --help     print this help and exit\n"
                u"  --version  print the version and exit\n"},
    {kSiteNotTunable, u"The site file gives this beacon no frequency or no MSK rate, so it cannot be tuned."},
    // Labels of the Status page, also the command line's.
    {kSiteDetails, u"Site Details"},
    {kReceiverHealth, u"Receiver Health"},
    {kSiteLabel, u"Site:"},
    {kFrequencyLabel, u"Frequency:"},
    {kMskLabel, u"Minimum Shift Keying:"},
    {kStationIdLabel, u"Station ID:"},
    {kLockedLabel, u"Locked:"},
    {kSignalStrengthLabel, u"Signal Strength:"},
    {kSnrLabel, u"Signal to Noise Ratio:"},
    // The receiver's state in one word.
    {kStateTuning, u"Tuning"},
    {kStateReceiving, u"Receiving"},
    {kStateSearching, u"Searching"},
    {kStateNoData, u"No Data"},
    {kStateNoStatus, u"No Status"},
    {kStatePortClosed, u"Port Closed"},
    {kStateReconnecting, u"Reconnecting"},
    {kWaitingForPort, u"Waiting for %s to come back."},
    {kPortBack, u"%s is back."},
    {kStateLabel, u"State:"},
    {kReadingsOnRequest, u"The receiver did not say how it was tuned: readings come only on Update."},
    {kNoReadingAnswer, u"The receiver did not answer the status query within 2 s."},
    {kLogNotWritten, u"The signal log %s cannot be written."},
    // The Tune page's port note and the command line's own words.
    {kTuneNeedsWriting, u"The port is open for reading only, so the receiver cannot be tuned. To tune, open it for "
                        u"reading and writing: check \"Use the same port for input and output.\" on the Configure page."},
    {kCannotTuneTo, u"The receiver cannot be tuned to %s kHz at %s bps: the frequency must be %s to %s kHz and the rate %s to %s bps."},
    {kNoSuchSite, u"No such site in the site file: %s"},
    {kOneChecksumFailure, u"1 sentence dropped for a wrong checksum (check the cable)"},
    {kChecksumFailures, u"%s sentences dropped for a wrong checksum (check the cable)"},
    {kNoStatusFor, u"no status from the receiver for %s s (%s)"},
    {kNoStatusInterval, u"is it tuned with a status interval?"},
    {kNoRunningSkylark, u"no running Skylark holds the event \"%s\""},
    {kRegionHeading, u"Region"},
    {kCountryHeading, u"Country"},
    {kBeaconHeading, u"Beacon"},
    {kRateHeading, u"Rate"},
    {kKhzHeading, u"kHz"},
    {kIdHeading, u"ID"},
    {kId2Heading, u"ID2"},
    {kOneSite, u"1 site"},
    {kSiteCount, u"%s sites"},
    {kPortOpens, u"opens"},
    {kPortFree, u"free"},
    {kDefaultDevice, u"%s (the default)"},
    {kBothDirections, u"both"},
    {kInputOnly, u"input"},
    {kOutputOnly, u"output"},
    {kNoPortOpens, u"No port can be opened."},
    {kReceiverFound, u"receiver"},
    {kReceiverStation, u"receiver (station %s, %s kHz)"},
    // Labels of the page controls; the Open, Test and Tune buttons get their mnemonic from the
    // page, which knows the letters its other controls took.
    {kSamePortLabel, u"&Use the same port for input and output."},
    {kScanButton, u"&Scan for Available Ports"},
    {kTestButton, u"Test"},
    {kTuneAutomaticLabel, u"Tune &Automatically"},
    {kTuneByFrequencyLabel, u"Tune by &Frequency:"},
    {kTuneBySiteLabel, u"Tune by &Site:"},
    {kFrequencyListLabel, u"Fre&quency:"},
    {kRateListLabel, u"&MSK Rate (bps):"},
    {kRegionListLabel, u"&Region:"},
    {kCountryListLabel, u"Cou&ntry:"},
    {kBeaconListLabel, u"&Beacon:"},
    {kTuneButton, u"Tune"},
    // The Status page's buttons and its signal log.
    {kUpdateButton, u"Update"},
    {kRecordButton, u"Record..."},
    {kStopRecordingButton, u"Stop Recording"},
    {kRecordingTo, u"Recording to %s, rows written: %s"},
    {kRecordedTo, u"Recorded to %s, rows written: %s"},
    {kSignalLogFiles, u"Signal logs (*.csv)"},
    // Finding the receiver, and the Configuration page's word on a lost port.
    {kFindButton, u"&Find Receiver"},
    {kFoundStation, u"A receiver answered on %s (station %s). It is chosen in the port list: Open Port connects to it."},
    {kFoundReceiver, u"A receiver answered on %s (it did not report its station). It is chosen in the port list: "
                     u"Open Port connects to it."},
    {kNoReceiverOnAnyPort, u"No receiver answered on any port."},
    {kPortsTried, u"Ports tried:"},
    {kPortSilent, u"did not answer."},
    {kSameDevice, u"is the same device as %s."},
};

}  // namespace

std::u16string_view LoadText(int id) {
  for (const auto& [number, text] : kTable) {
    if (number == id) return text;
  }
  return {};
}

std::u16string FormatText(int id, std::u16string_view argument) {
  std::u16string text(LoadText(id));
  if (auto at = text.find(u"%s"); at != std::u16string::npos) text.replace(at, 2, argument);
  return text;
}

std::u16string FormatText(int id, std::initializer_list<std::u16string_view> arguments) {
  std::u16string text(LoadText(id));
  std::size_t from = 0;
  for (const std::u16string_view argument : arguments) {
    const auto at = text.find(u"%s", from);
    if (at == std::u16string::npos) break;
    text.replace(at, 2, argument);
    from = at + argument.size();
  }
  return text;
}

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate has no UTF-8 form
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int extra = lead < 0x80            ? 0
                      : (lead & 0xE0) == 0xC0 ? 1
                      : (lead & 0xF0) == 0xE0 ? 2
                      : (lead & 0xF8) == 0xF0 ? 3
                                              : -1;
    char32_t c = extra <= 0 ? lead : lead & (0x3F >> extra);
    bool valid = extra >= 0 && i + static_cast<std::size_t>(extra) < text.size();
    for (int k = 1; valid && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    if (!valid) {
      // Not UTF-8: take the byte as Latin-1, as the site file does.
      out += static_cast<char16_t>(lead);
      ++i;
      continue;
    }
    i += static_cast<std::size_t>(extra) + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

}  // namespace skylark::resources

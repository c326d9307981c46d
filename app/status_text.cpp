#include "app/status_text.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <utility>

#include "resources/strings.h"

namespace skylark {
namespace {

// The Qt program sets the C library's locale from the environment, so printf could write a
// decimal comma; to_chars always writes a point.
// Empty for a value too long for the buffer (1e300 has 301 digits).
std::string Fixed(double value, int precision) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
  if (result.ec != std::errc()) return {};
  return std::string(buffer, result.ptr);
}

std::string Decimal(std::int64_t value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (result.ec != std::errc()) return {};
  return std::string(buffer, result.ptr);
}

// "%0<width>.1f": zeros go between the sign and the digits.
std::string ZeroPadded(double value, std::size_t width) {
  std::string text = Fixed(value, 1);
  const std::size_t at = (!text.empty() && text[0] == '-') ? 1 : 0;
  if (text.size() < width) text.insert(at, width - text.size(), '0');
  return text;
}

std::u16string Text(int id) { return std::u16string(resources::LoadText(id)); }

}  // namespace

std::chrono::milliseconds StaleAfter(std::uint32_t statusInterval) {
  constexpr std::chrono::milliseconds kLeast{3000};
  const auto intervals = std::chrono::milliseconds(std::uint64_t{statusInterval} * 3000);
  return std::max(intervals, kLeast);
}

StatusTexts FormatStatus(const BeaconSite& currentSite, const ReceiverStatus& status, const LinkView& link,
                         std::optional<StatusClock> clock) {
  StatusTexts texts;
  const bool noName = currentSite.Beacon.empty() || currentSite.Beacon == kNoSiteName;
  texts.site = noName ? Text(resources::kNone) : currentSite.Beacon;
  texts.stationId = currentSite.StationId == 0 ? Text(resources::kNone)
                                                : resources::FromUtf8(Decimal(currentSite.StationId));

  if (InBeaconBand(status.frequency)) {
    texts.frequency = resources::FromUtf8(ZeroPadded(status.frequency, 5) + " kHz");
  }
  if (IsBeaconRate(status.mskRate)) texts.mskRate = resources::FromUtf8(Decimal(status.mskRate) + " bps");

  const bool heardSinceOpen =
      status.received && (!link.openedAt || status.received->monotonic >= *link.openedAt);
  if (link.open && !link.readable) {
    // Nothing can be heard on a port opened for writing only.
    texts.locked = Text(resources::kNotAvailable);
    texts.signalStrength = Text(resources::kNotAvailable);
    texts.snr = Text(resources::kNotAvailable);
  } else if (link.open) {
    const std::int32_t strength = std::max(status.signalStrength, 0);
    const std::int32_t snr = std::max(status.snr, 0);
    texts.signalStrength = resources::FromUtf8(Decimal(strength));
    texts.snr = resources::FromUtf8(Decimal(snr));
    texts.locked = Text(IsLocked(snr) ? resources::kYes : resources::kNo);
    if (clock && link.openedAt && !heardSinceOpen) {
      // Zeros or an earlier port's values are not what this receiver hears.
      texts.stale = true;
      const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(clock->now - *link.openedAt).count();
      texts.age = resources::FormatText(resources::kNoReadingSinceOpen, resources::FromUtf8(Decimal(std::max<std::int64_t>(seconds, 0))));
    } else if (clock && status.received) {
      const auto age = clock->now - status.received->monotonic;
      if (age > StaleAfter(clock->statusInterval)) {
        texts.stale = true;
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(age).count();
        texts.age = resources::FormatText(resources::kNoReadingFor, resources::FromUtf8(Decimal(seconds)));
      }
    }
  } else {
    texts.locked = Text(resources::kPortNotOpen);
    texts.signalStrength = Text(resources::kNotAvailable);
    texts.snr = Text(resources::kNotAvailable);
  }
  return texts;
}

void FollowTuning(const StatusTexts& texts, std::u16string& frequency, std::u16string& rate) {
  if (texts.frequency) frequency = *texts.frequency;
  if (texts.mskRate) rate = *texts.mskRate;
}

std::u16string FormatListFrequency(double frequencyKhz) {
  const std::string text = Fixed(frequencyKhz, 1);
  return text.empty() ? Text(resources::kNotAvailable) : resources::FromUtf8(text);
}

std::u16string FormatListRate(int bitRate) { return resources::FromUtf8(Decimal(bitRate)); }

std::u16string LineErrorText(const platform::LineError& error) {
  using platform::LineFault;
  using resources::FormatText;
  switch (error.fault) {
    case LineFault::NoSuchDevice:
      return FormatText(resources::kNoSuchDevice, error.device);
    case LineFault::PermissionDenied: {
      std::u16string text = FormatText(resources::kPermissionDenied, error.device);
      if (error.groupGrants) {
        text += FormatText(resources::kJoinGroupHint, {error.group, error.group, error.user});
      } else if (!error.owner.empty()) {
        text += FormatText(resources::kDeviceOwnerHint, {error.owner, error.group, error.mode});
      }
      return text;
    }
    case LineFault::InUse:
      if (error.holder > 0 && !error.holderName.empty()) {
        return FormatText(resources::kInUseByProgram, {error.device, error.holderName,
                                                       resources::FromUtf8(std::to_string(error.holder))});
      }
      if (error.holder > 0) {
        return FormatText(resources::kInUseBy, {error.device, resources::FromUtf8(std::to_string(error.holder))});
      }
      return FormatText(resources::kInUse, error.device);
    case LineFault::OpenHere:
      return FormatText(resources::kOpenHere, error.device);
    case LineFault::SystemError:
      return FormatText(resources::kSystemError, {error.device, error.osMessage});
    case LineFault::BadSettings:
    case LineFault::HungUp:
    case LineFault::WriteRefused:
    case LineFault::WriteStalled:
    case LineFault::Removed:
    case LineFault::ConnectionClosed:
      break;
  }
  // The faults of a line already open say the same whatever the device.
  constexpr std::pair<platform::LineFault, int> kPlain[] = {
      {LineFault::BadSettings, resources::kBadLineSettings},   {LineFault::HungUp, resources::kLineHungUp},
      {LineFault::WriteRefused, resources::kWriteRefused},     {LineFault::WriteStalled, resources::kWriteStalled},
      {LineFault::Removed, resources::kDeviceRemoved},         {LineFault::ConnectionClosed, resources::kConnectionClosed},
  };
  for (const auto& [fault, id] : kPlain) {
    if (fault == error.fault) return std::u16string(resources::LoadText(id));
  }
  return {};
}

}  // namespace skylark

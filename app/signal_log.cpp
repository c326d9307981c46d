#include "app/signal_log.h"

#include <array>
#include <charconv>
#include <cstdio>

#include "resources/strings.h"

namespace skylark {
namespace {

// A field with a comma, a quote or a line end is quoted, its quotes doubled.
std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string field = "\"";
  for (const char c : text) {
    if (c == '"') field += '"';
    field += c;
  }
  return field + '"';
}

// One decimal whatever the user's locale: a decimal comma would split the field.
std::string Tenths(double value) {
  std::array<char, 64> digits{};
  const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed, 1);
  return error == std::errc() ? std::string(digits.data(), end) : std::string("0.0");
}

}  // namespace

std::string IsoUtc(std::chrono::system_clock::time_point time) {
  using namespace std::chrono;
  const auto ms = floor<milliseconds>(time);
  const auto day = floor<days>(ms);
  const year_month_day date{day};
  const hh_mm_ss clock{ms - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
  return text;
}

SignalLogRow RowOf(const Reading& reading, std::u16string_view state, std::u16string_view site) {
  const ReceiverStatus& status = reading.state.status;
  return {status.received ? status.received->utc : std::chrono::system_clock::now(),
          std::u16string(state),
          std::u16string(site),
          static_cast<std::int32_t>(reading.state.currentSite.StationId),
          status.frequency,
          status.mskRate,
          status.locked,
          status.signalStrength,
          status.snr};
}

std::string SignalLogHeader() {
  return "utc,state,site,station_id,frequency_khz,msk_rate,locked,signal_strength,snr\r\n";
}

std::string SignalLogLine(const SignalLogRow& row) {
  using resources::ToUtf8;
  return IsoUtc(row.utc) + ',' + CsvField(ToUtf8(row.state)) + ',' + CsvField(ToUtf8(row.site)) + ',' +
         std::to_string(row.stationId) + ',' + Tenths(row.frequency) + ',' + std::to_string(row.mskRate) + ',' +
         ToUtf8(resources::LoadText(row.locked ? resources::kYes : resources::kNo)) + ',' +
         std::to_string(row.signalStrength) + ',' + std::to_string(row.snr) + "\r\n";
}

std::unique_ptr<SignalLog> SignalLog::Open(std::u16string_view path) {
  auto file = platform::OpenFileForAppending(path);
  if (file == nullptr) return nullptr;
  if (file->InitialSize() == 0 && !file->Append(SignalLogHeader())) return nullptr;
  return std::unique_ptr<SignalLog>(new SignalLog(std::u16string(path), std::move(file)));
}

bool SignalLog::Write(const SignalLogRow& row) {
  if (!file_->Append(SignalLogLine(row))) return false;
  ++rows_;
  return true;
}

}  // namespace skylark

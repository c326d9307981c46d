#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/application.h"
#include "platform/files.h"

// The signal log: every reading as one CSV row (RFC 4180, UTF-8, CR LF), for a surveyor who
// checks coverage along a route. Rows are written as they come, so a crash loses at most the row
// being written; an existing log is added to, never cut short.
namespace skylark {

struct SignalLogRow {
  std::chrono::system_clock::time_point utc;
  std::u16string state;  // the state line's word
  std::u16string site;
  std::int32_t stationId = 0;
  double frequency = 0.0;  // kHz
  std::int32_t mskRate = 0;
  bool locked = false;
  std::int32_t signalStrength = 0;
  std::int32_t snr = 0;
};

// The row of one reading: its time, the state line's word, the site as the page shows it and the
// values as the receiver gave them.
SignalLogRow RowOf(const Reading& reading, std::u16string_view state, std::u16string_view site);

// "2026-12-06T23:58:01.250Z": ISO 8601 in UTC to the millisecond.
std::string IsoUtc(std::chrono::system_clock::time_point time);

// The header line and one row, each with its CR LF.
std::string SignalLogHeader();
std::string SignalLogLine(const SignalLogRow& row);

class SignalLog {
 public:
  // Null when the file cannot be opened for appending. A new or empty file gets the header.
  static std::unique_ptr<SignalLog> Open(std::u16string_view path);

  bool Write(const SignalLogRow& row);
  const std::u16string& Path() const { return path_; }
  std::uint64_t Rows() const { return rows_; }  // written by this log, not counting the header

 private:
  SignalLog(std::u16string path, std::unique_ptr<platform::AppendFile> file)
      : path_(std::move(path)), file_(std::move(file)) {}

  std::u16string path_;
  std::unique_ptr<platform::AppendFile> file_;
  std::uint64_t rows_ = 0;
};

}  // namespace skylark

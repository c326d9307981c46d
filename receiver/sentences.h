#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The receiver's sentences, each a type with named fields, parsed and formatted here and nowhere
// else: the monitor, the probe, the simulator and the command line all go through these. A
// sentence is its ASCII text from '$' up to, not including, its line end.
namespace skylark {

// What the "*hh" checksum at the end of a sentence says: absent when the text does not end in
// '*' and two hexadecimal digits.
enum class Checksum { Absent, Good, Wrong };
Checksum CheckSentence(std::string_view sentence);

// "$<body>*hh" for a sentence "$<body>", as the receiver sends it (without the line end).
std::string WithChecksum(std::string_view sentence);

// What a sentence is, by its address. A status sentence may come from any talker ("$CRMSS",
// "$GPMSS"); a tune is ours ("$GPMSK") and the receiver reports its own tune under another talker
// ("$CRMSK"); a query ("$GPCRQ,MSS") may come from any talker; the rest are the receiver's own.
enum class SentenceKind {
  Other, SignalStatus, StationReport, Acknowledgement, Tune, StatusRequest, StatusStop, TuneReport, Query
};
SentenceKind KindOf(std::string_view sentence);

// "$", an address of four to six capitals and digits, then ',' or '*'; a "*hh" checksum at the
// end, if any, is right. Anything else heard on a line is no receiver talking.
bool IsWellFormedSentence(std::string_view sentence);

// The signal-status sentence "$--MSS,<strength>,<snr>,<frequency kHz>,<bit rate>[,...][*hh]".
// Fewer than four fields is no reading: the values it lacks would show as zero.
struct SignalStatus {
  std::int32_t strength = 0;
  std::int32_t snr = 0;
  double frequency = 0.0;  // kHz
  std::int32_t mskRate = 0;

  bool operator==(const SignalStatus&) const = default;
};
std::optional<SignalStatus> ParseSignalStatus(std::string_view sentence);
std::string FormatSignalStatus(const SignalStatus& status);

// The receiver's own status report "$PCSI,CS0,...", thirteen fields; missing ones read as 0 or
// empty, so a short report has station 0 (none).
struct StationReport {
  std::string receiverSerial;
  std::int32_t channel = 0;
  double frequency = 0.0;  // kHz
  std::string frequencyMode;  // "A" or "M"
  std::int32_t mskRate = 0;
  std::string rateMode;
  std::int32_t signalStrength = 0;
  std::int32_t snr = 0;
  std::string firmware;
  std::int32_t statusInterval = 0;
  std::int32_t stationId = 0;
  std::string searchState;  // "LOCK" or "SRCH"
  std::int32_t quality = 0;

  bool operator==(const StationReport&) const = default;
};
std::optional<StationReport> ParseStationReport(std::string_view sentence);
std::string FormatStationReport(const StationReport& report);

// "$PCSI,ACK,<sentence acknowledged>", the receiver's answer to a tune.
struct Acknowledgement {
  std::string acknowledged;  // "GPMSK"
};
std::optional<Acknowledgement> ParseAcknowledgement(std::string_view sentence);
std::string FormatAcknowledgement(const Acknowledgement& ack);

// The tune sentence "$GPMSK,<freq>,<A|M>,<rate>,<A|M>,<interval>": a value left to the receiver's
// own search is empty and its mode A. The status interval is 0 to 100 s (0: no status output).
struct TuneCommand {
  std::optional<double> frequency;  // kHz
  std::optional<int> mskRate;
  std::uint32_t interval = 0;

  bool operator==(const TuneCommand&) const = default;
};
inline constexpr std::uint32_t kMaxStatusInterval = 100;
// The sentence, frequency as "%5.1f" in the C locale; empty when the receiver could not take it
// (interval above 100, a frequency that is no number or too long for the sentence).
std::string FormatTune(const TuneCommand& tune);
// None when malformed: wrong field count, unknown mode, a manual field empty or not a number,
// an interval above 100.
std::optional<TuneCommand> ParseTune(std::string_view sentence);

// The receiver's report of its tune, "$CRMSK,<freq>,<A|M>,<rate>,<A|M>,<interval>", the standard
// answer to a tune query; read by the same rules as the tune sentence.
std::optional<TuneCommand> ParseTuneReport(std::string_view sentence);
std::string FormatTuneReport(const TuneCommand& tune);

// The standard queries: one status sentence, or the receiver's tune, on demand.
inline constexpr std::string_view kStatusQuery = "$GPCRQ,MSS";
inline constexpr std::string_view kTuneQuery = "$GPCRQ,MSK";
// The sentence a query asks for ("MSS", "MSK"); empty for no query.
std::string_view QueriedSentence(std::string_view sentence);

inline constexpr std::string_view kStatusRequest = "$PCSI,1";
inline constexpr std::string_view kStatusStop = "$PCSI,1,0";

// The fields after the address and its separator: cut at every ',' and '*'; a "*hh" checksum at
// the end is no field, and a separator at the very end adds no empty field after it.
std::vector<std::string_view> SplitFields(std::string_view sentence);

// Field readers. ReadInt is the C runtime's decimal conversion (white space, sign, digits up to
// the first other character; 0 for none; saturating). ReadReal is "%lf" without the locale:
// 0.0 when the field does not scan or is no finite number.
std::int32_t ReadInt(std::string_view field);
double ReadReal(std::string_view field);

}  // namespace skylark

#include <gtest/gtest.h>

#include <tuple>

#include "sim/beacon_model.h"
#include "sim/simulated_receiver.h"

namespace skylark::sim {
namespace {

TEST(SimReceiver, AnswersEachReceivedLine) {
  const TuneCommand kept{1.5, 50, 9};  // the tuning before each line
  const char* ack = "$PCSI,ACK,GPMSK*02\r\n";
  const struct {
    const char* legend;
    const char* line;
    const char* answer;  // the whole answer, or for a status its start
    TuneCommand tuning;
  } cases[] = {
      {"manual", "$GPMSK,300.0,M,200,M,1", ack, {300.0, 200, 1}},
      {"automatic", "$GPMSK,,A,,A,100", ack, {{}, {}, 100}},
      {"checksum in lower case", "$GPMSK,,A,,A,1*5f", ack, {{}, {}, 1}},
      {"noise before the sentence", "\x01\xff~$GPMSK,,A,,A,1", ack, {{}, {}, 1}},
      {"wrong checksum", "$GPMSK,,A,,A,1*5E", "", kept},
      {"interval above 100", "$GPMSK,300.0,M,200,M,101", "", kept},
      {"manual frequency missing", "$GPMSK,,M,200,M,1", "", kept},
      {"manual bit rate zero", "$GPMSK,300.0,M,0,M,1", "", kept},
      {"frequency not a number", "$GPMSK,30x.0,M,200,M,1", "", kept},
      {"frequency infinite", "$GPMSK,inf,M,200,M,1", "", kept},
      {"unknown mode", "$GPMSK,300.0,X,200,M,1", "", kept},
      {"a field short", "$GPMSK,300.0,M,200,M", "", kept},
      {"cut off by a new sentence", "$GPMSK,300.0,M,200,M,1$", "", kept},
      {"status request", "$PCSI,1", "$PCSI,CS0,", kept},
      {"status stop", "$PCSI,1,0", "", kept},
      {"status query", "$GPCRQ,MSS", "$CRMSS,", kept},
      {"tune query: the interval in force", "$GPCRQ,MSK", "$CRMSK,  1.5,M,50,M,0*", kept},
      {"query for something else", "$GPCRQ,GGA", "", kept},
      {"no sentence start", "PCSI,1", "", kept},
  };
  for (const auto& c : cases) {
    BeaconModel model({});
    const SiteCatalogue catalogue;
    model.Tune(kept, Millis(0));
    SimulatedReceiver receiver(model, catalogue, false);
    std::string answer;
    for (const auto& piece : receiver.OnLine(c.line, Millis(0))) answer += piece;
    EXPECT_TRUE(*c.answer ? answer.starts_with(c.answer) : answer.empty()) << c.legend;
    EXPECT_EQ(model.Tuning(), c.tuning) << c.legend;
  }
}

// Power lost and back: the tune stays, the status output stops until the next tune.
TEST(SimReceiver, PowerCycleForgetsTheStatusInterval) {
  BeaconModel model({});
  const SiteCatalogue catalogue;
  SimulatedReceiver receiver(model, catalogue, false);
  receiver.OnLine("$GPMSK,300.0,M,200,M,1", Millis(0));
  ASSERT_EQ(receiver.NextDue(), Millis(1000));
  std::string message;
  EXPECT_EQ(receiver.Control("power-cycle", Millis(500), message), SimulatedReceiver::ControlResult::Done);
  EXPECT_EQ(receiver.NextDue(), std::nullopt);
  EXPECT_TRUE(receiver.OnTime(Millis(5000)).empty());
  EXPECT_EQ(model.Tuning(), (TuneCommand{300.0, 200, 1}));
  EXPECT_TRUE(receiver.OnLine("$GPCRQ,MSK", Millis(600)).back().starts_with("$CRMSK,300.0,M,200,M,0*"));
}

TEST(SimModel, LocksOnTheStrongestMatchingStationOnceSettled) {
  BeaconModel model({Millis(2000), Millis(4000)});
  for (const auto& [id, rate, snr] : {std::tuple(785, 200, 18), std::tuple(794, 100, 12)}) {
    BeaconSite site;
    site.StationId = static_cast<std::uint16_t>(id);
    site.MskRate = static_cast<std::uint8_t>(rate);
    site.Frequency = 313.5;
    model.Hear(site, snr, 40 + snr);
  }
  const struct {
    const char* legend;
    TuneCommand tune;
    Millis at;
    std::uint16_t station;  // 0: none locked
  } cases[] = {
      {"still settling", {313.5, 200, 1}, Millis(1999), 0},
      {"settled", {313.5, 200, 1}, Millis(2000), 785},
      {"within 0.05 kHz, by bit rate", {313.55, 100, 1}, Millis(2000), 794},
      {"off the channel", {313.56, 200, 1}, Millis(3000), 0},
      {"bit rate searched", {313.5, std::nullopt, 1}, Millis(2000), 785},
      {"still scanning", {}, Millis(3999), 0},
      {"scanned", {}, Millis(4000), 785},
  };
  for (const auto& c : cases) {
    model.Tune(c.tune, Millis(10000));
    const SignalReading reading = model.Read(Millis(10000) + c.at);
    EXPECT_EQ(reading.stationId, c.station) << c.legend;
    // The application takes an SNR of 7 or more for a lock.
    EXPECT_EQ(reading.snr >= 7, c.station != 0) << c.legend;
  }
}

}  // namespace
}  // namespace skylark::sim

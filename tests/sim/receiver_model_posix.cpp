#include <gtest/gtest.h>

#include <memory>

#include "sim/beacon_model.h"
#include "sim/simulated_receiver.h"

namespace skylark::sim {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

BeaconSite Site(const char16_t* country, const char16_t* beacon, double khz, int rate, int id) {
  BeaconSite site;
  site.Region = u"Europe";
  site.Country = country;
  site.Beacon = beacon;
  site.Frequency = khz;
  site.MskRate = static_cast<std::uint8_t>(rate);
  site.StationId = static_cast<std::uint16_t>(id);
  return site;
}

MskCommand Manual(double khz, int rate, unsigned interval = 1) {
  return MskCommand{khz, rate, interval};
}

class SimModel : public ::testing::Test {
 protected:
  SimModel() : model_({milliseconds(2000), milliseconds(4000)}) {
    for (const auto& site : {Site(u"Norway", u"Utsira", 313.5, 200, 785),
                             Site(u"Norway", u"Fruholmen", 309.5, 200, 797),
                             Site(u"Norway", u"Andenes", 311.0, 100, 794),
                             Site(u"Sweden", u"Hjortens Udde", 291.5, 100, 723)}) {
      catalogue_.AddSite(std::make_unique<BeaconSite>(site));
    }
  }

  BeaconModel model_;
  SiteCatalogue catalogue_;
};

TEST_F(SimModel, ManualTuneLocksOnlyOnAMatchingStationAfterSettling) {
  model_.Hear(*catalogue_.FindByStationId(785), 18, 55);
  const struct {
    MskCommand tune;
    milliseconds at;
    bool locked;
  } cases[] = {
      {Manual(313.5, 200), milliseconds(1999), false},  // still settling
      {Manual(313.5, 200), milliseconds(2000), true},
      {Manual(313.55, 200), milliseconds(2000), true},  // within 0.05 kHz
      {Manual(313.56, 200), milliseconds(3000), false},
      {Manual(313.5, 100), milliseconds(3000), false},                 // wrong bit rate
      {MskCommand{313.5, std::nullopt, 1}, milliseconds(3000), true},  // rate searched
  };
  for (const auto& c : cases) {
    model_.Tune(c.tune, seconds(10));
    const SignalReading reading = model_.Read(seconds(10) + c.at);
    EXPECT_EQ(reading.locked, c.locked) << *c.tune.frequencyKhz << " at " << c.at.count();
    // Lock is what the application calls an SNR of 7 or more.
    EXPECT_EQ(reading.snr >= 7, c.locked);
    EXPECT_DOUBLE_EQ(reading.frequencyKhz, c.locked ? 313.5 : *c.tune.frequencyKhz);
    EXPECT_EQ(reading.stationId, c.locked ? 785 : 0);
    if (c.locked) {
      EXPECT_EQ(reading.strength, 55);
    }
  }
}

TEST_F(SimModel, AutomaticTuneFindsTheStrongestAfterTheScan) {
  model_.Hear(*catalogue_.FindByStationId(785), 12, 50);
  model_.Hear(*catalogue_.FindByStationId(797), 16, 50);
  model_.Tune(MskCommand{}, seconds(1));
  SignalReading reading = model_.Read(milliseconds(4999));
  EXPECT_FALSE(reading.locked);
  EXPECT_EQ(reading.frequencyKhz, 0.0);
  EXPECT_EQ(reading.bitRate, 0);
  reading = model_.Read(seconds(5));
  EXPECT_TRUE(reading.locked);
  EXPECT_EQ(reading.stationId, 797);
  EXPECT_EQ(reading.bitRate, 200);

  // The operator weakens it: the receiver moves to the other one.
  EXPECT_TRUE(model_.SetSnr(797, 3));
  EXPECT_EQ(model_.Read(seconds(6)).stationId, 785);
  EXPECT_FALSE(model_.SetSnr(4711, 3));
}

TEST_F(SimModel, HearCountryFallsOffInFileOrder) {
  for (int i = 0; i < 8; ++i) {
    catalogue_.AddSite(
        std::make_unique<BeaconSite>(Site(u"Norway", u"Extra", 300.0 + i, 200, 900 + i)));
  }
  EXPECT_EQ(HearCountry(model_, catalogue_, u"Europe", u"Norway"), 11);
  EXPECT_EQ(HearCountry(model_, catalogue_, u"Europe", u"Atlantis"), 0);
  std::vector<int> snrs;
  for (const auto& station : model_.Audible()) snrs.push_back(station.snr);
  EXPECT_EQ(snrs, (std::vector<int>{20, 18, 16, 14, 12, 10, 8, 8, 8, 8, 8}));
}

TEST_F(SimModel, StatusSentencesCarryTheFieldsTheApplicationReads) {
  SignalReading reading{42, 15, 313.5, 200, 785, true};
  EXPECT_EQ(SignalStatusSentence(reading), "$CRMSS,42,15,313.5,200");
  const std::string cs0 = ReceiverStatusSentence(reading, Manual(313.5, 200, 1));
  // Frequency is field 3, rate 5, strength 7, SNR 8 and station ID 11 after "$PCSI,CS0,".
  std::vector<std::string> fields;
  std::string rest = cs0.substr(std::string("$PCSI,CS0,").size());
  for (auto comma = rest.find(',');; comma = rest.find(',')) {
    fields.push_back(rest.substr(0, comma));
    if (comma == std::string::npos) break;
    rest.erase(0, comma + 1);
  }
  ASSERT_EQ(fields.size(), 13u) << cs0;
  EXPECT_EQ(fields[2], "313.5");
  EXPECT_EQ(fields[4], "200");
  EXPECT_EQ(fields[6], "42");
  EXPECT_EQ(fields[7], "15");
  EXPECT_EQ(fields[10], "785");
}

class SimReceiver : public SimModel {
 protected:
  std::string Joined(const Output& out) {
    std::string text;
    for (const auto& piece : out) text += piece;
    return text;
  }
};

TEST_F(SimReceiver, AnswersFollowTheCommandsAndTheFaultSwitches) {
  model_.Hear(*catalogue_.FindByStationId(785), 18, 55);
  const struct {
    bool ackAll;
    Faults faults;
    const char* line;
    const char* answer;  // the whole output
  } cases[] = {
      {false, {}, "$GPMSK,313.5,M,200,M,1", "$PCSI,ACK,GPMSK*02\r\n"},
      {false, {}, "$GPMSK,313.5,M,200,M,101", ""},
      {false, {}, "$PCSI,1,0", ""},
      {true, {}, "$PCSI,1,0", "$PCSI,ACK,PCSI*49\r\n"},
      {false, {false, false, true}, "$GPMSK,313.5,M,200,M,1", ""},  // drop-ack
      {false, {true, false, false}, "$GPMSK,313.5,M,200,M,1", ""},  // silence
      {false, {true, false, false}, "$PCSI,1", ""},
      {false, {}, "hello", ""},
  };
  for (const auto& c : cases) {
    SimulatedReceiver receiver(model_, catalogue_, c.ackAll);
    receiver.FaultSwitches() = c.faults;
    EXPECT_EQ(Joined(receiver.OnLine(c.line, seconds(1))), c.answer) << c.line;
  }
}

TEST_F(SimReceiver, SignalStatusFollowsTheInterval) {
  SimulatedReceiver receiver(model_, catalogue_, false);
  EXPECT_FALSE(receiver.NextDue());
  receiver.OnLine("$GPMSK,313.5,M,200,M,2", seconds(10));
  EXPECT_EQ(receiver.NextDue(), seconds(12));
  EXPECT_TRUE(receiver.OnTime(milliseconds(11999)).empty());
  EXPECT_EQ(receiver.OnTime(seconds(12)).size(), 1u);
  EXPECT_TRUE(receiver.OnTime(milliseconds(12001)).empty());
  // After a long stall one sentence goes, not a burst, and the schedule moves on from now.
  EXPECT_EQ(receiver.OnTime(seconds(30)).size(), 1u);
  EXPECT_EQ(receiver.NextDue(), seconds(32));
  receiver.OnLine("$PCSI,1,0", seconds(31));
  EXPECT_FALSE(receiver.NextDue());
  EXPECT_TRUE(receiver.OnTime(seconds(40)).empty());
}

TEST_F(SimReceiver, GarbageStillDeliversEveryRealSentence) {
  SimulatedReceiver receiver(model_, catalogue_, false);
  receiver.FaultSwitches().garbage = true;
  for (int i = 0; i < 50; ++i) {
    const Output out = receiver.OnLine("$GPMSK,313.5,M,200,M,1", seconds(i));
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out.back(), "$PCSI,ACK,GPMSK*02\r\n");
    for (std::size_t p = 0; p + 1 < out.size(); ++p) {
      // Noise never opens a sentence the application waits for, and always ends its line.
      EXPECT_EQ(out[p].find("$PCSI,ACK"), std::string::npos);
      EXPECT_EQ(out[p].find("$CRMSS"), std::string::npos);
      EXPECT_EQ(out[p].substr(out[p].size() - 2), "\r\n");
    }
  }
}

TEST_F(SimReceiver, ControlCommands) {
  using R = SimulatedReceiver::ControlResult;
  SimulatedReceiver receiver(model_, catalogue_, false);
  const struct {
    const char* command;
    R result;
  } cases[] = {
      {"garbage on", R::Done},    {"  drop-ack   on ", R::Done},
      {"silence off", R::Done},   {"silence maybe", R::Invalid},
      {"snr 797 12", R::Done},    {"snr 4711 12", R::Invalid},
      {"snr 797 -1", R::Invalid}, {"snr 797", R::Invalid},
      {"snr x 1", R::Invalid},    {"hangup", R::Hangup},
      {"quit", R::Quit},          {"quit now", R::Invalid},
  };
  std::string message;
  for (const auto& c : cases)
    EXPECT_EQ(receiver.Control(c.command, message), c.result) << c.command;
  EXPECT_TRUE(receiver.FaultSwitches().garbage);
  EXPECT_TRUE(receiver.FaultSwitches().dropAck);
  // "snr" on a station not yet heard makes it audible.
  ASSERT_EQ(model_.Audible().size(), 1u);
  EXPECT_EQ(model_.Audible()[0].site.StationId, 797);
  EXPECT_EQ(model_.Audible()[0].snr, 12);
}

}  // namespace
}  // namespace skylark::sim

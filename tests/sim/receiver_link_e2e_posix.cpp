// The core's receiver link against the simulated receiver, as the application uses it before
// the monitor takes the line over.
#include <gtest/gtest.h>

#include "receiver/receiver_link.h"
#include "tests/support/pty.h"
#include "tests/support/sim_process.h"

namespace skylark {
namespace {

TEST(SimEndToEnd, ReceiverLinkTunesAndReadsStatus) {
  testing::TempConfigHome home;
  testing::SimProcess sim;
  ASSERT_TRUE(sim.Start({"--no-pacing", "--hear", "306:20:60", "--settle-ms", "0"}));

  ReceiverLink link(u"COM4:", 4800, 0, 8, 0, 0);
  ReceiverPort& port = *link.OutputPort();
  ASSERT_TRUE(
      port.Open(u"COM4:", 4800, 0, 8, 0, 0, AccessMode::ReadWrite, &platform::kReceiverTimeouts));

  ASSERT_TRUE(link.TuneManual(300.0, 200, 1));
  EXPECT_TRUE(link.AwaitAcknowledge());

  std::int32_t strength = 0, snr = 0, rate = 0;
  double frequency = 0.0;
  ASSERT_TRUE(link.ReadSignalStatus(strength, snr, frequency, rate));
  EXPECT_EQ(strength, 60);
  EXPECT_EQ(snr, 20);
  EXPECT_DOUBLE_EQ(frequency, 300.0);
  EXPECT_EQ(rate, 200);

  ASSERT_TRUE(link.RequestStatusZero());
  ASSERT_TRUE(link.RequestStatus());
  ReceiverStatusLine status;
  link.ReadReceiverStatus(status);
  EXPECT_EQ(status.stationId, 306);
  EXPECT_DOUBLE_EQ(status.frequency, 300.0);
  EXPECT_EQ(status.mskRate, 200);
  EXPECT_EQ(status.snr, 20);

  EXPECT_TRUE(sim.WaitForLog("RX $GPMSK,300.0,M,200,M,1\n", std::chrono::seconds(1)));
  EXPECT_TRUE(sim.WaitForLog("RX $PCSI,1,0\n", std::chrono::seconds(1)));
  port.Close();
  EXPECT_EQ(sim.Stop(), 0);
}

}  // namespace
}  // namespace skylark

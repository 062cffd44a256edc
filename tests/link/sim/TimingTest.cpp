// When replies reach the host: 80 us per byte each way at 125000 baud, USB
// packets of 62 bytes or on the 2 ms latency timer, and the read time-out.
#include "SimFixture.h"

namespace nimbo::sim::test {
namespace {

using Timing = SimFixture;

// "RM" is 4 bytes: complete at the device at 4 * 80 = 320 us. Reply byte j
// (1..68) reaches the interface at 320 + 80 j.
TEST_F(Timing, FullPacketLeavesAtOnceTheRestAfterTheLatency) {
  device.TimingModel().latencyTimer = 16000;
  Send({'R', 'M', 0x00, 0x20});
  EXPECT_EQ(Read(62).size(), 62u);
  EXPECT_EQ(clock.Now(), 320 + 62 * 80);  // the 62nd byte fills the packet
  EXPECT_EQ(Read(6).size(), 6u);
  EXPECT_EQ(clock.Now(), 320 + 63 * 80 + 16000);  // timer from the 63rd byte
}

TEST_F(Timing, LatencyTimerCutsAReplyIntoPackets) {
  Send({'R', 'M', 0x00, 0x20});
  // Packets at 400 + 2000 = 2400 (bytes 1..26), 2480 + 2000 = 4480 (27..52)
  // and 4560 + 2000 = 6560 (53..68).
  EXPECT_EQ(Read(2).size(), 2u);
  EXPECT_EQ(clock.Now(), 2400);
  EXPECT_EQ(Read(50).size(), 50u);
  EXPECT_EQ(clock.Now(), 4480);
  EXPECT_EQ(Read(16).size(), 16u);
  EXPECT_EQ(clock.Now(), 6560);
}

TEST_F(Timing, WriteProcessingDelaysTheAcknowledge) {
  device.TimingModel().eepromWriteProcessing = 5000;
  // 6 frame bytes done at 480, ready at 5480, 3 reply bytes by 5720, the
  // packet leaves 2000 after the first of them (5560).
  EXPECT_EQ(Exchange({'W', 'E', 0x03, 0x00, 0x41, 0x4A}, 3), (Bytes{'W', 'E', 0x01}));
  EXPECT_EQ(clock.Now(), 7560);
}

TEST_F(Timing, ReadReturnsWhatCameBeforeItsTimeout) {
  // Silent device: default 250 ms, then the time-out the host set.
  EXPECT_TRUE(Read(6).empty());
  EXPECT_EQ(clock.Now(), 250000);
  ASSERT_EQ(transport.SetTimeouts(handle, 100, 0), ft::kOk);
  EXPECT_TRUE(Read(6).empty());
  EXPECT_EQ(clock.Now(), 350000);

  // Asking for more than comes: the bytes that did come, after the time-out.
  const Micros start = clock.Now();
  EXPECT_EQ(Exchange({'R', 'E', 0x00, 0x00}, 10).size(), 5u);
  EXPECT_EQ(clock.Now(), start + 100000);
}

TEST_F(Timing, SplitReplyIsAssembledOnlyWithinTheTimeout) {
  device.CurrentMode() = Mode::Update;
  struct Case {
    Micros gap;
    std::size_t firstRead;
  };
  // "IF" completes at 160; piece one (2 bytes) ends at 320, piece two starts
  // a gap later and its first byte arrives 80 us after that.
  for (const Case& c : {Case{100000, 6}, Case{300000, 2}}) {
    SCOPED_TRACE(c.gap);
    const Micros start = clock.Now();
    device.AddFault(Split(2, c.gap));
    EXPECT_EQ(Exchange({'I', 'F'}, 6).size(), c.firstRead);
    if (c.firstRead == 6) {
      EXPECT_EQ(clock.Now(), start + 320 + c.gap + 80 + 2000);
    } else {
      EXPECT_EQ(clock.Now(), start + 250000);
      EXPECT_EQ(Read(4).size(), 4u);  // the late piece is still on its way
      EXPECT_EQ(clock.Now(), start + 320 + c.gap + 80 + 2000);
    }
  }
}

TEST_F(Timing, PurgeDropsOnlyWhatHasArrived) {
  device.CurrentMode() = Mode::Update;
  device.AddFault(Split(2, 300000));
  Send({'I', 'F'});
  EXPECT_EQ(Read(6).size(), 2u);
  PurgeBoth();
  // The second piece was still on the wire; it arrives after the purge.
  EXPECT_EQ(Read(6).size(), 4u);
}

}  // namespace
}  // namespace nimbo::sim::test

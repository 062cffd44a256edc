// The simulated device behind an opened transport on a virtual clock, spoken
// to in raw frames: frames in any pieces, checksum refusal, confusion until a
// purge, scripted and random faults, and when replies reach the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "link/Clock.h"
#include "link/sim/SimulatedDevice.h"
#include "link/sim/SimulatedTransport.h"

namespace nimbo::sim::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class Sim : public ::testing::Test {
 protected:
  // Opens the interface and sets the line up as the program does.
  void SetUp() override {
    ASSERT_EQ(transport.OpenEx("FT232R USB UART", ft::kOpenByDescription, handle), ft::kOk);
    ASSERT_EQ(transport.SetBaudRate(handle, 125000), ft::kOk);
    ASSERT_EQ(transport.SetLatencyTimer(handle, 2), ft::kOk);
  }

  void Send(const Bytes& bytes) {
    std::uint32_t written = 0;
    ASSERT_EQ(transport.Write(handle, bytes, written), ft::kOk);
    ASSERT_EQ(written, bytes.size());
  }

  // One read of up to `count` bytes; returns what arrived before the time-out.
  Bytes Read(std::size_t count) {
    Bytes buffer(count);
    std::uint32_t returned = 0;
    EXPECT_EQ(transport.Read(handle, buffer, returned), ft::kOk);
    buffer.resize(returned);
    return buffer;
  }

  Bytes Exchange(const Bytes& frame, std::size_t replyLength) {
    Send(frame);
    return Read(replyLength);
  }

  void PurgeBoth() { ASSERT_EQ(transport.Purge(handle, 3), ft::kOk); }

  VirtualClock clock;
  SimulatedDevice device{clock};
  SimulatedTransport transport{device, clock};
  FtHandle handle = 0;
};

// A rule for one exchange of any command; `n` is the split point, surplus
// count or flipped data byte of the kinds that take one.
FaultRule Rule(Fault fault, std::size_t n = 1, Micros gap = 0) {
  FaultRule rule;
  rule.fault = fault;
  rule.splitAt = rule.surplusCount = rule.corruptAt = n;
  rule.splitGap = gap;
  return rule;
}

TEST_F(Sim, AssemblesFramesFromAnyPiecesAndRefusesWrongChecksums) {
  // A uniform 64-byte block at device address 0x0020: its bytes cancel out in
  // the exclusive-or, so the checksum is 0x20 ^ 0x00 ^ 0x08 = 0x28, not 0x29.
  Bytes frame = {'W', 'M', 0x20, 0x00};
  frame.insert(frame.end(), 64, 0x5A);
  frame.push_back(0x29);
  EXPECT_EQ(Exchange(frame, 3), (Bytes{'W', 'M', 0x00}));
  EXPECT_EQ(std::count(device.Memory().begin(), device.Memory().end(), 0),
            static_cast<long>(kMemoryBytes));
  EXPECT_EQ(Exchange({'W', 'E', 0x03, 0x00, 0x41, 0x4B}, 3), (Bytes{'W', 'E', 0x00}));
  EXPECT_EQ(device.Eeprom()[3], 0);

  frame.back() = 0x28;
  for (const auto& pieces :
       std::vector<std::vector<std::size_t>>{{4, 64, 1}, {69}, {1, 1, 66, 1}}) {
    std::fill(device.Memory().begin(), device.Memory().end(), 0);
    std::size_t at = 0;
    for (std::size_t piece : pieces) {
      Send(Bytes(frame.begin() + at, frame.begin() + at + piece));
      at += piece;
    }
    EXPECT_EQ(Read(3), (Bytes{'W', 'M', 0x01}));
    // Address 0x20 covers bytes 0x40..0x7F.
    EXPECT_EQ(device.Memory()[0x3F], 0);
    EXPECT_EQ(std::count(&device.Memory()[0x40], &device.Memory()[0x80], 0x5A), 64);
    EXPECT_EQ(device.Memory()[0x80], 0);
  }

  // A block that runs past the top of memory wraps to address 0.
  device.Memory()[kMemoryBytes - 1] = 0xAA;
  device.Memory()[0] = 0xBB;
  const Bytes reply = Exchange({'R', 'M', 0xF0, 0xFF}, 68);
  ASSERT_EQ(reply.size(), 68u);
  EXPECT_EQ(reply[2 + 31], 0xAA);
  EXPECT_EQ(reply[2 + 32], 0xBB);
  EXPECT_EQ(reply[66], 0x16);  // 0xF0 ^ 0xFF ^ 0x08 ^ 0xAA ^ 0xBB
}

TEST_F(Sim, DiscardsUnknownBytesUntilPurge) {
  device.Eeprom()[3] = 0x41;
  const Bytes answer = {'R', 'E', 0x41, 0x4A, 0x01};
  // A good frame followed by garbage in one write: the frame is answered.
  EXPECT_EQ(Exchange({'R', 'E', 0x03, 0x00, 'Z', 'Z'}, 5), answer);
  EXPECT_TRUE(device.Confused());
  EXPECT_TRUE(Exchange({'R', 'E', 0x03, 0x00}, 5).empty());
  // Lower case is no command either: the device is case-sensitive.
  PurgeBoth();
  EXPECT_FALSE(device.Confused());
  EXPECT_TRUE(Exchange({'r', 'e', 0x03, 0x00}, 5).empty());
  PurgeBoth();
  EXPECT_EQ(Exchange({'R', 'E', 0x03, 0x00}, 5), answer);
}

TEST_F(Sim, EachFaultKind) {
  // "RE" at address 3, which holds 0: checksum 0x03 ^ 0x00 ^ 0x00 ^ 0x08.
  const Bytes re = {'R', 'E', 0x03, 0x00}, we = {'W', 'E', 0x03, 0x00, 0x41, 0x4A};
  const Bytes reOk = {'R', 'E', 0x00, 0x0B, 0x01}, weOk = {'W', 'E', 0x01};
  // "RM" of the zero block at 0x0020 with its last data byte flipped.
  Bytes rmCorrupt = {'R', 'M'};
  rmCorrupt.resize(2 + 64);
  rmCorrupt.back() = 0xFF;
  rmCorrupt.insert(rmCorrupt.end(), {0x28, 0x01});
  struct Case {
    const char* name;
    FaultRule rule;
    Bytes frame;
    std::size_t readLength;
    Bytes reply;
    std::uint8_t stored;  // EEPROM byte 3 afterwards
  };
  const std::vector<Case> cases = {
      {"no reply", Rule(Fault::NoReply), re, 5, {}, 0},
      {"wrong echo", Rule(Fault::WrongEcho), re, 5, {'r', 'E', 0x00, 0x0B, 0x01}, 0},
      {"wrong checksum", Rule(Fault::WrongChecksum), re, 5, {'R', 'E', 0x00, 0xF4, 0x01}, 0},
      {"refuse", Rule(Fault::Refuse), re, 5, {'R', 'E', 0x00, 0x0B, 0x00}, 0},
      {"corrupt", Rule(Fault::CorruptReadBack), re, 5, {'R', 'E', 0xFF, 0x0B, 0x01}, 0},
      {"corrupt last block byte",
       Rule(Fault::CorruptReadBack, 63),
       {'R', 'M', 0x20, 0},
       68,
       rmCorrupt,
       0},
      {"split", Rule(Fault::SplitReply, 2, 1000), re, 5, reOk, 0},
      {"surplus", Rule(Fault::SurplusBytes, 3), re, 8, {'R', 'E', 0x00, 0x0B, 0x01, 0, 0, 0}, 0},
      {"dropped write leaves reads alone", Rule(Fault::DropWrite), re, 5, reOk, 0},
      {"refused write", Rule(Fault::Refuse), we, 3, {'W', 'E', 0x00}, 0},
      {"dropped write", Rule(Fault::DropWrite), we, 3, weOk, 0},
      {"swallowed write", Rule(Fault::NoReply), we, 3, {}, 0},
      {"write with wrong echo", Rule(Fault::WrongEcho), we, 3, {'w', 'E', 0x01}, 0x41},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    device.Eeprom()[3] = 0;
    device.AddFault(c.rule);
    EXPECT_EQ(Exchange(c.frame, c.readLength), c.reply);
    EXPECT_EQ(device.Eeprom()[3], c.stored);
    PurgeBoth();
  }
}

// Feeds 300 "RE" frames straight into a fresh device and returns what it
// answered (no host reads, so no fault disturbs the next frame's parsing).
std::vector<Bytes> RandomRun(const RandomFaults& faults) {
  VirtualClock clock;
  SimulatedDevice device(clock);
  device.SetRandomFaults(faults);
  for (int i = 0; i < 300; ++i) {
    device.Receive(Bytes{'R', 'E', static_cast<std::uint8_t>(i), 0});
  }
  std::vector<Bytes> trace;
  for (const TraceEntry& entry : device.Trace()) {
    trace.push_back(entry.fromHost ? Bytes{'>'} : entry.bytes);
  }
  return trace;
}

TEST(RandomFaults, ReproduceFromTheirSeed) {
  const auto first = RandomRun({.seed = 7, .probability = 0.1});
  EXPECT_EQ(first, RandomRun({.seed = 7, .probability = 0.1}));
  EXPECT_NE(first, RandomRun({.seed = 8, .probability = 0.1}));
  EXPECT_EQ(RandomRun({.seed = 7, .probability = 0.0}).size(), 600u);
}

// Replies reach the host at 80 us per byte each way (125000 baud) in USB
// packets that leave when 62 bytes are full, on the latency timer or at once
// after the event character; a USB read hands them over when a short packet
// ends it or when it has filled the in-transfer size. "RM" is 4 bytes,
// complete at the device at 320 us; reply byte j (1..68) reaches the
// interface at 320 + 80 j. The data at 0x2000 are zeros, or 0x0D first.
TEST_F(Sim, PacketsLeaveFullOnTheLatencyTimerOrOnTheEventCharacter) {
  struct Case {
    const char* name;
    std::uint8_t latencyMs;
    std::uint32_t inTransferSize;
    bool eventChar;
    Micros echoAt;  // when the first two bytes are with the host
    Micros allAt;   // when all 68 are
  };
  const Case cases[] = {
      // Packets at 400 + 2000 (bytes 1..26), 2480 + 2000 (27..52), 4560 + 2000.
      {"the program's set-up", 2, 4096, false, 2400, 6560},
      // Byte 62 fills a packet at 5280 that ends the 64-byte read; the timer
      // runs from byte 63 (5360).
      {"16 ms, 64-byte reads", 16, 64, false, 5280, 21360},
      // The full packet waits in the read for the short one.
      {"16 ms, 4096-byte reads", 16, 4096, false, 21360, 21360},
      // Byte 3 (0x0D) sends bytes 1..3 at 560; the timer restarts at byte 4:
      // 640 + 2000 (4..29), 2720 + 2000 (30..55), 4800 + 2000.
      {"event character 0x0D", 2, 4096, true, 560, 6800},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(transport.SetLatencyTimer(handle, c.latencyMs), ft::kOk);
    ASSERT_EQ(transport.SetUSBParameters(handle, c.inTransferSize, 0), ft::kOk);
    ASSERT_EQ(transport.SetChars(handle, 0x0D, c.eventChar ? 1 : 0, 0, 0), ft::kOk);
    device.Memory()[0x4000] = c.eventChar ? 0x0D : 0x00;
    const Micros start = clock.Now();
    Send({'R', 'M', 0x00, 0x20});
    EXPECT_EQ(Read(2).size(), 2u);
    EXPECT_EQ(clock.Now() - start, c.echoAt);
    EXPECT_EQ(Read(66).size(), 66u);
    EXPECT_EQ(clock.Now() - start, c.allAt);
  }
}

// The device's port is fixed (125000 baud, 8N1). A line set up otherwise
// garbles, loses or holds bytes; each case exchanges "RE" at address 3, which
// holds `data`, twice.
TEST_F(Sim, ALineSetUpUnlikeTheDevicesFails) {
  enum Outcome { Answered, Silent, Garbage };
  struct Case {
    const char* name;
    std::uint32_t baud;
    std::uint8_t bits, stop, parity;
    std::uint16_t flow;
    std::uint8_t data;
    Outcome first, second;
    Bytes reply;  // what arrives when answered
  };
  const std::vector<Case> cases = {
      {"1.2 % slow", 123500, 8, 0, 0, 0, 0x41, Answered, Answered, {'R', 'E', 0x41, 0x4A, 1}},
      {"115200 baud", 115200, 8, 0, 0, 0, 0x41, Silent, Silent, {}},
      {"7 data bits", 125000, 7, 0, 0, 0, 0x41, Silent, Silent, {}},
      // Even parity puts a 0 where the device wants the stop bit after 0x00.
      {"even parity", 125000, 8, 0, 2, 0, 0x41, Garbage, Garbage, {}},
      // A parity bit of 1 passes for the stop bit, but the interface cannot
      // frame the replies, nor with two stop bits.
      {"mark parity", 125000, 8, 0, 3, 0, 0x41, Garbage, Garbage, {}},
      {"two stop bits", 125000, 8, 2, 0, 0, 0x41, Garbage, Garbage, {}},
      {"RTS/CTS", 125000, 8, 0, 0, kFlowRtsCts, 0x41, Silent, Silent, {}},
      // The XON (0x11) or XOFF (0x13) data byte never reaches the host; after
      // XOFF the interface holds the next frame.
      {"XON", 125000, 8, 0, 0, kFlowXonXoff, 0x11, Answered, Answered, {'R', 'E', 0x1A, 1}},
      {"XOFF", 125000, 8, 0, 0, kFlowXonXoff, 0x13, Answered, Silent, {'R', 'E', 0x18, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(transport.Close(handle), ft::kOk);  // opening again resets the line
    ASSERT_EQ(transport.OpenEx("FT232R USB UART", ft::kOpenByDescription, handle), ft::kOk);
    ASSERT_EQ(transport.SetBaudRate(handle, c.baud), ft::kOk);
    ASSERT_EQ(transport.SetDataCharacteristics(handle, c.bits, c.stop, c.parity), ft::kOk);
    ASSERT_EQ(transport.SetFlowControl(handle, c.flow, 0x11, 0x13), ft::kOk);
    ASSERT_EQ(transport.SetLatencyTimer(handle, 2), ft::kOk);
    device.Eeprom()[3] = c.data;
    for (const Outcome expected : {c.first, c.second}) {
      const Bytes reply = Exchange({'R', 'E', 0x03, 0x00}, 5);
      if (expected == Answered) {
        EXPECT_EQ(reply, c.reply);
      } else {
        EXPECT_EQ(reply.empty(), expected == Silent);
        EXPECT_TRUE(std::ranges::all_of(reply, [](std::uint8_t b) { return b >= 0x80; }));
      }
      PurgeBoth();
    }
  }
}

TEST_F(Sim, ReadReturnsWhatCameBeforeItsTimeout) {
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

TEST_F(Sim, SplitReplyWithinAndAfterTheTimeout) {
  // "IF" completes at 160; piece one (2 bytes) ends at 320, piece two starts
  // a gap later and its first byte arrives 80 us after that.
  device.CurrentMode() = Mode::Update;
  Micros start = clock.Now();
  device.AddFault(Rule(Fault::SplitReply, 2, 100000));
  EXPECT_EQ(Exchange({'I', 'F'}, 6).size(), 6u);
  EXPECT_EQ(clock.Now(), start + 320 + 100000 + 80 + 2000);

  start = clock.Now();
  device.AddFault(Rule(Fault::SplitReply, 2, 300000));
  EXPECT_EQ(Exchange({'I', 'F'}, 6).size(), 2u);
  EXPECT_EQ(clock.Now(), start + 250000);
  // A purge drops only what has arrived: the late piece still comes.
  PurgeBoth();
  EXPECT_EQ(Read(4).size(), 4u);
  EXPECT_EQ(clock.Now(), start + 320 + 300000 + 80 + 2000);
}

}  // namespace
}  // namespace nimbo::sim::test

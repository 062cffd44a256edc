// The device's side of the command protocol: frames in any pieces, checksum
// refusal, confusion until a purge, modes and the factory contents.
#include <algorithm>

#include "SimFixture.h"

namespace nimbo::sim::test {
namespace {

using DeviceProtocol = SimFixture;

// A uniform 64-byte block at device address 0x0020: its bytes cancel out in
// the exclusive-or, so the checksum is 0x20 ^ 0x00 ^ 0x08 = 0x28.
Bytes UniformWriteFrame(std::uint8_t fill) {
  Bytes frame = {'W', 'M', 0x20, 0x00};
  frame.insert(frame.end(), 64, fill);
  frame.push_back(0x28);
  return frame;
}

TEST_F(DeviceProtocol, AssemblesFramesFromAnyPieces) {
  const Bytes frame = UniformWriteFrame(0x5A);
  const std::vector<std::vector<std::size_t>> splits = {{4, 64, 1}, {69}, {1, 1, 66, 1}};
  for (const auto& pieces : splits) {
    std::fill(device.Memory().begin(), device.Memory().end(), 0);
    std::size_t at = 0;
    for (std::size_t piece : pieces) {
      Send(Bytes(frame.begin() + at, frame.begin() + at + piece));
      at += piece;
    }
    EXPECT_EQ(Read(3), (Bytes{'W', 'M', 0x01}));
    // Address 0x20 covers bytes 0x40..0x7F.
    EXPECT_EQ(device.Memory()[0x3F], 0);
    EXPECT_TRUE(std::all_of(&device.Memory()[0x40], &device.Memory()[0x80],
                            [](std::uint8_t b) { return b == 0x5A; }));
    EXPECT_EQ(device.Memory()[0x80], 0);
  }
  const auto& trace = device.Trace();
  ASSERT_EQ(trace.size(), 6u);
  EXPECT_TRUE(trace[0].fromHost);
  EXPECT_EQ(trace[0].bytes, frame);
  EXPECT_EQ(trace[1].bytes, (Bytes{'W', 'M', 0x01}));
}

TEST_F(DeviceProtocol, AnswersReadsWithChecksummedData) {
  // The worked example: "WE" of 0x41 at EEPROM address 3 carries checksum 0x4A.
  EXPECT_EQ(Exchange({'W', 'E', 0x03, 0x00, 0x41, 0x4A}, 3), (Bytes{'W', 'E', 0x01}));
  EXPECT_EQ(device.Eeprom()[3], 0x41);
  EXPECT_EQ(Exchange({'R', 'E', 0x03, 0x00}, 5), (Bytes{'R', 'E', 0x41, 0x4A, 0x01}));

  // A block that runs past the top of memory wraps to address 0.
  device.Memory()[kMemoryBytes - 1] = 0xAA;
  device.Memory()[0] = 0xBB;
  const Bytes reply = Exchange({'R', 'M', 0xF0, 0xFF}, 68);
  ASSERT_EQ(reply.size(), 68u);
  EXPECT_EQ(reply[2 + 31], 0xAA);
  EXPECT_EQ(reply[2 + 32], 0xBB);
  EXPECT_EQ(reply[66], 0x16);  // 0xF0 ^ 0xFF ^ 0x08 ^ 0xAA ^ 0xBB
  EXPECT_EQ(reply[67], 0x01);
}

TEST_F(DeviceProtocol, RefusesWritesWithWrongChecksum) {
  Bytes frame = UniformWriteFrame(0x5A);
  frame.back() = 0x29;
  const Bytes reply = Exchange(frame, 3);
  ASSERT_EQ(reply.size(), 3u);
  EXPECT_NE(reply[2], 0x01);
  EXPECT_TRUE(std::all_of(device.Memory().begin(), device.Memory().end(),
                          [](std::uint8_t b) { return b == 0; }));

  const Bytes refused = Exchange({'W', 'E', 0x03, 0x00, 0x41, 0x4B}, 3);
  ASSERT_EQ(refused.size(), 3u);
  EXPECT_NE(refused[2], 0x01);
  EXPECT_EQ(device.Eeprom()[3], 0);
}

TEST_F(DeviceProtocol, DiscardsUnknownBytesUntilPurge) {
  device.Eeprom()[3] = 0x41;
  // A good frame followed by garbage in one write: the frame is answered.
  EXPECT_EQ(Exchange({'R', 'E', 0x03, 0x00, 'Z', 'Z'}, 5), (Bytes{'R', 'E', 0x41, 0x4A, 0x01}));
  EXPECT_TRUE(device.Confused());
  EXPECT_TRUE(Exchange({'R', 'E', 0x03, 0x00}, 5).empty());
  // Lower case is no command either: the device is case-sensitive.
  PurgeBoth();
  EXPECT_FALSE(device.Confused());
  EXPECT_TRUE(Exchange({'r', 'e', 0x03, 0x00}, 5).empty());
  PurgeBoth();
  EXPECT_EQ(Exchange({'R', 'E', 0x03, 0x00}, 5), (Bytes{'R', 'E', 0x41, 0x4A, 0x01}));
}

TEST_F(DeviceProtocol, AnswersInfoOnlyInUpdateMode) {
  device.Version() = 0x12;
  device.Model() = 'X';
  EXPECT_TRUE(Exchange({'I', 'F'}, 6).empty());
  // The ignored "IF" does not leave the device out of step.
  EXPECT_EQ(Exchange({'R', 'E', 0x00, 0x00}, 5).size(), 5u);
  device.CurrentMode() = Mode::Update;
  const Bytes reply = Exchange({'I', 'F'}, 6);
  ASSERT_EQ(reply.size(), 6u);
  EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 4), (Bytes{'I', 'F', 0x12, 'X'}));
}

TEST_F(DeviceProtocol, ShipsWithDefaultSettingsAndMatrixText) {
  device.LoadFactoryContents();
  EXPECT_EQ(device.CurrentMode(), Mode::Normal);
  const auto eeprom = device.Eeprom();
  const Bytes head(eeprom.begin() + 1, eeprom.begin() + 16);
  EXPECT_EQ(head, (Bytes{7, 1, 2, 3, 4, 0, 9, 56, 0, 100, 0, 150, 1, 44, 178}));
  EXPECT_EQ(Bytes(eeprom.begin() + 16, eeprom.begin() + 22), (Bytes{0, 0, 0, 15, 0, 0}));
  EXPECT_EQ(Bytes(eeprom.begin() + 61, eeprom.begin() + 68), (Bytes{255, 255, 255, 1, 209, 2, 23}));
  // "NIMBO" as 2-byte cells at device address 0x2000 (byte 0x4000), then zeros.
  const auto text = device.Memory().subspan(0x4000, 768);
  EXPECT_EQ(Bytes(text.begin(), text.begin() + 11),
            (Bytes{'N', 0x34, 'I', 0x34, 'M', 0x34, 'B', 0x34, 'O', 0x34, 0}));
  EXPECT_TRUE(std::all_of(text.begin() + 10, text.end(), [](std::uint8_t b) { return b == 0; }));
}

}  // namespace
}  // namespace nimbo::sim::test

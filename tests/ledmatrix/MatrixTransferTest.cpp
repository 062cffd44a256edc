// Reading and storing the LED Matrix String against the simulated device.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ledmatrix/MatrixTransfer.h"
#include "link/Clock.h"
#include "link/NimboModule.h"
#include "link/sim/SimulatedDevice.h"
#include "link/sim/SimulatedTransport.h"
#include "support/RecordingUserInterface.h"

namespace nimbo::ledmatrix {
namespace {

constexpr int kFirstAddress = 0x2000;
constexpr std::size_t kCopyStart = kFirstAddress * 2;  // device memory byte of address 0x2000
constexpr std::size_t kCopyBytes = 1536;

const std::string kWriteText = "Device write error! Data is corrupted!  Re-try update!";
const std::string kVerifyText = "Device verify error!  Data is corrupted!  Re-try update!";

// One frame the host sent, as the device saw it.
struct SentFrame {
  std::string letters;
  int address = 0;
  std::vector<std::uint8_t> data;  // "WM": the 64 bytes
};

class MatrixTransferTest : public ::testing::Test {
 protected:
  VirtualClock clock;
  sim::SimulatedDevice device{clock};
  sim::SimulatedTransport transport{device, clock};
  test::RecordingUserInterface ui;
  NIMBOmodule module{transport, ui};

  void SetUp() override {
    module.OpenLink();
    ASSERT_EQ(module.LinkStatus, 0);
    module.SizeSharedArrays();
    device.ClearTrace();
  }

  std::span<std::uint8_t> DeviceCopy() { return device.Memory().subspan(kCopyStart, kCopyBytes); }

  // Fills the device copy with bytes that differ from block to block.
  void FillDeviceCopy() {
    auto copy = DeviceCopy();
    for (std::size_t i = 0; i < copy.size(); ++i) {
      copy[i] = static_cast<std::uint8_t>((i * 7 + i / 64 + 1) & 0xFF);
    }
  }

  std::vector<SentFrame> Sent() const {
    std::vector<SentFrame> frames;
    for (const auto& entry : device.Trace()) {
      if (!entry.fromHost || entry.bytes.size() < 4) {
        continue;
      }
      SentFrame frame;
      frame.letters =
          std::string{static_cast<char>(entry.bytes[0]), static_cast<char>(entry.bytes[1])};
      frame.address = entry.bytes[2] | (entry.bytes[3] << 8);
      if (frame.letters == "WM" && entry.bytes.size() >= 68) {
        frame.data.assign(entry.bytes.begin() + 4, entry.bytes.begin() + 68);
      }
      frames.push_back(std::move(frame));
    }
    return frames;
  }

  int CountSent(const std::string& letters, int address) const {
    int count = 0;
    for (const SentFrame& frame : Sent()) {
      count += frame.letters == letters && frame.address == address ? 1 : 0;
    }
    return count;
  }

  int HighestAddressSent() const {
    int highest = -1;
    for (const SentFrame& frame : Sent()) {
      highest = std::max(highest, frame.address);
    }
    return highest;
  }

  void AddFault(sim::Fault fault, const std::string& command, int address, int times) {
    sim::FaultRule rule;
    rule.fault = fault;
    rule.command = command;
    rule.address = address;
    rule.times = times;
    device.AddFault(rule);
  }
};

TEST_F(MatrixTransferTest, ReadBringsTheWholeDeviceCopyAndDecodesIt) {
  FillDeviceCopy();
  std::vector<std::uint8_t> cells = {'H', 0x34, 'i', 0x34, 0x80, 0x34, 0x00, 0x34};
  std::copy(cells.begin(), cells.end(), DeviceCopy().begin());

  GetMatrixStringButton_Click(module);

  EXPECT_EQ(module.DeviceFound, kTrue);
  EXPECT_EQ(module.MatrixString, "Hi\u20AC");
  const auto copy = DeviceCopy();
  EXPECT_TRUE(std::equal(copy.begin(), copy.end(), module.MemoryImage.begin()));
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 24u);
  for (std::size_t k = 0; k < sent.size(); ++k) {
    EXPECT_EQ(sent[k].letters, "RM");
    EXPECT_EQ(sent[k].address, kFirstAddress + 32 * static_cast<int>(k));
  }
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MatrixTransferTest, ReadFailingOnBlockFiveKeepsWhatArrived) {
  FillDeviceCopy();
  module.MatrixString = "old text";
  std::fill(module.MemoryImage.begin(), module.MemoryImage.end(), 0xEE);
  AddFault(sim::Fault::Refuse, "RM", kFirstAddress + 5 * 32, -1);

  GetMatrixStringButton_Click(module);

  EXPECT_EQ(module.DeviceFound, kFalse);
  EXPECT_NE(module.LinkStatus, 0);
  EXPECT_EQ(module.MatrixString, "old text");
  const auto copy = DeviceCopy();
  EXPECT_TRUE(std::equal(copy.begin(), copy.begin() + 320, module.MemoryImage.begin()));
  for (std::size_t i = 384; i < kCopyBytes; ++i) {
    ASSERT_EQ(module.MemoryImage[i], 0xEE) << "index " << i;
  }
  EXPECT_EQ(CountSent("RM", kFirstAddress + 5 * 32), 10);
  EXPECT_EQ(HighestAddressSent(), kFirstAddress + 5 * 32);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MatrixTransferTest, ReadRetriesEachBlockUpToTenTimes) {
  struct Case {
    sim::Fault fault;
    int block;
    int failures;
    bool found;
  };
  // A corrupted block or a wrong checksum counts as a failed attempt too.
  const std::vector<Case> cases = {
      {sim::Fault::NoReply, 7, 9, true},         {sim::Fault::NoReply, 7, 10, false},
      {sim::Fault::Refuse, 0, 1, true},          {sim::Fault::Refuse, 23, 10, false},
      {sim::Fault::CorruptReadBack, 3, 9, true}, {sim::Fault::CorruptReadBack, 3, 10, false},
      {sim::Fault::WrongChecksum, 12, 2, true},  {sim::Fault::WrongEcho, 12, 10, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "block " << c.block << " failures " << c.failures);
    device.ClearFaults();
    device.ClearTrace();
    FillDeviceCopy();
    module.DeviceFound = kTrue;
    const int address = kFirstAddress + 32 * c.block;
    AddFault(c.fault, "RM", address, c.failures);

    GetMatrixStringButton_Click(module);

    EXPECT_EQ(module.DeviceFound, c.found ? kTrue : kFalse);
    EXPECT_EQ(CountSent("RM", address), std::min(c.failures + 1, 10));
    EXPECT_EQ(HighestAddressSent(), c.found ? kFirstAddress + 23 * 32 : address);
    if (c.found) {
      const auto copy = DeviceCopy();
      EXPECT_TRUE(std::equal(copy.begin(), copy.end(), module.MemoryImage.begin()));
    }
  }
}

TEST_F(MatrixTransferTest, StoreSendsTheTwentyFourBlocksInOrder) {
  for (std::size_t i = 0; i < module.MemoryImage.size(); ++i) {
    module.MemoryImage[i] = static_cast<std::uint8_t>((i * 13 + 5) & 0xFF);
  }

  StoreMatrixStringButton_Click(module);

  EXPECT_EQ(module.LinkStatus, 0);
  EXPECT_TRUE(ui.messages.empty());
  std::vector<SentFrame> writes;
  for (const SentFrame& frame : Sent()) {
    if (frame.letters == "WM") {
      writes.push_back(frame);
    }
  }
  ASSERT_EQ(writes.size(), 24u);
  for (std::size_t k = 0; k < writes.size(); ++k) {
    EXPECT_EQ(writes[k].address, kFirstAddress + 32 * static_cast<int>(k));
    const auto from = module.MemoryImage.begin() + static_cast<std::ptrdiff_t>(64 * k);
    EXPECT_EQ(writes[k].data, std::vector<std::uint8_t>(from, from + 64)) << "block " << k;
    EXPECT_EQ(CountSent("RM", writes[k].address), 1);
  }
  const auto copy = DeviceCopy();
  EXPECT_TRUE(std::equal(copy.begin(), copy.end(), module.MemoryImage.begin()));
}

TEST_F(MatrixTransferTest, WriteAndVerifyShareTenAttemptsPerBlock) {
  struct Case {
    int writeFailures;
    int verifyFailures;
    std::string text;  // the message shown; empty for success
    std::string title;
    int writes;  // "WM" frames for the block
    int verifies;
  };
  const std::vector<Case> cases = {
      {3, 6, "", "", 4, 7},
      {3, 7, kVerifyText, "Verify Failure!", 4, 7},
      {10, 0, kWriteText, "Write Failure!", 10, 0},
      {9, 1, kVerifyText, "Verify Failure!", 10, 1},
      {0, 9, "", "", 1, 10},
      {0, 10, kVerifyText, "Verify Failure!", 1, 10},
  };
  constexpr int kBlock = 10;
  const int address = kFirstAddress + 32 * kBlock;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.writeFailures << " write, " << c.verifyFailures << " verify failures");
    device.ClearFaults();
    device.ClearTrace();
    ui.messages.clear();
    std::fill(DeviceCopy().begin(), DeviceCopy().end(), 0);
    for (std::size_t i = 0; i < kCopyBytes; ++i) {
      module.MemoryImage[i] = static_cast<std::uint8_t>(i % 251 + 1);
    }
    if (c.writeFailures > 0) {
      AddFault(sim::Fault::Refuse, "WM", address, c.writeFailures);
    }
    if (c.verifyFailures > 0) {
      AddFault(sim::Fault::CorruptReadBack, "RM", address, c.verifyFailures);
    }

    StoreMatrixStringButton_Click(module);

    EXPECT_EQ(CountSent("WM", address), c.writes);
    EXPECT_EQ(CountSent("RM", address), c.verifies);
    if (c.text.empty()) {
      EXPECT_EQ(module.LinkStatus, 0);
      EXPECT_TRUE(ui.messages.empty());
      EXPECT_EQ(HighestAddressSent(), kFirstAddress + 23 * 32);
    } else {
      EXPECT_NE(module.LinkStatus, 0);
      ASSERT_EQ(ui.messages.size(), 1u);
      EXPECT_EQ(ui.messages[0].text, c.text);
      EXPECT_EQ(ui.messages[0].title, c.title);
      EXPECT_EQ(ui.messages[0].icon, MessageIcon::None);
      EXPECT_EQ(HighestAddressSent(), address);  // nothing after the failing block
      const auto copy = DeviceCopy();
      EXPECT_TRUE(std::equal(copy.begin(), copy.begin() + 64 * kBlock, module.MemoryImage.begin()));
    }
  }
}

}  // namespace
}  // namespace nimbo::ledmatrix

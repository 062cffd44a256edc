// The six device operations against the simulated device: the bytes that
// travel, the checks on the replies and what a failure leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "LinkFixture.h"

namespace nimbo::test {
namespace {

using Commands = LinkFixture;

Bytes Ramp(std::size_t count, std::uint8_t first, std::uint8_t step) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) {
    bytes[i] = static_cast<std::uint8_t>(first + step * i);
  }
  return bytes;
}

TEST_F(Commands, EepromRoundTripCarriesTheWorkedExample) {
  Open();
  const Bytes settings = Ramp(kSettingsCount, 0x10, 7);
  std::copy(settings.begin(), settings.end(), module.SettingsBytes.begin());
  module.SettingsBytes[3] = 0x41;
  module.WriteEeprom();
  ASSERT_EQ(module.LinkStatus, 0);
  const Bytes host = HostBytes();
  ASSERT_EQ(host.size(), 68u * 6);
  EXPECT_EQ(Bytes(host.begin() + 18, host.begin() + 24),
            (Bytes{0x57, 0x45, 0x03, 0x00, 0x41, 0x4A}));
  EXPECT_EQ(device.Eeprom()[3], 0x41);
  EXPECT_EQ(device.Eeprom()[67], settings[67]);

  module.SettingsBytes.fill(0);
  module.ReadEeprom();
  ASSERT_EQ(module.LinkStatus, 0);
  EXPECT_TRUE(std::equal(device.Eeprom().begin(), device.Eeprom().begin() + kSettingsCount,
                         module.SettingsBytes.begin()));
  EXPECT_EQ(module.SettingsBytes[68], 0);  // only 0..67 are exchanged
  EXPECT_EQ(CallCount("Purge"), 0);        // EEPROM exchanges send at once
}

TEST_F(Commands, WriteAndVerifyOfZerosAt0x20) {
  Open();
  std::fill_n(device.Memory().begin() + 0x40, 64, 0xFF);
  module.BlockAddress = 0x20;
  module.BlockOut.fill(0);
  module.WriteMemoryBlock();
  ASSERT_EQ(module.LinkStatus, 0);
  Bytes expected = {0x57, 0x4D, 0x20, 0x00};
  expected.resize(4 + 64, 0);
  expected.push_back(0x28);
  EXPECT_EQ(HostBytes(), expected);
  EXPECT_EQ(CallCount("Write"), 3);  // 4 + 64 + 1
  EXPECT_EQ(DeviceBlock(0x20), Bytes(64, 0));

  module.BlockIn.fill(0x55);
  module.VerifyMemoryBlock();
  EXPECT_EQ(module.LinkStatus, 0);
  EXPECT_TRUE(std::all_of(module.BlockIn.begin(), module.BlockIn.begin() + 64,
                          [](auto b) { return b == 0; }));
  EXPECT_EQ(CallCount("Purge"), 2);  // both block operations purge first

  // A differing last byte fails the verify.
  module.BlockOut[63] = 1;
  module.VerifyMemoryBlock();
  EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
}

TEST_F(Commands, ReadMemoryBlockStoresAtOffsetAndKeepsTheChecksum) {
  Open();
  const Bytes block = Ramp(64, 3, 5);
  std::copy(block.begin(), block.end(), device.Memory().begin() + 2 * 0x2000);
  module.BlockAddress = 0x2000;
  module.BlockOffset = 500;
  module.ReadMemoryBlock();
  ASSERT_EQ(module.LinkStatus, 0);
  EXPECT_EQ(HostBytes(), (Bytes{'R', 'M', 0x00, 0x20}));
  EXPECT_TRUE(std::equal(block.begin(), block.end(), module.MemoryImage.begin() + 500));
  EXPECT_EQ(module.MemoryImage[499], 0);
  EXPECT_EQ(module.MemoryImage[564], 0);
  const std::uint8_t sum =
      std::accumulate(block.begin(), block.end(), std::uint8_t{0x00 ^ 0x20 ^ 0x08},
                      [](std::uint8_t a, std::uint8_t b) { return std::uint8_t(a ^ b); });
  EXPECT_EQ(module.BlockChecksum, sum);
  EXPECT_EQ(module.ReplyEcho, "RM");
  EXPECT_EQ(CallCount("Purge"), 0);
}

TEST_F(Commands, WrongBlockChecksumPassesTheReadButFailsTheVerify) {
  Open();
  module.BlockAddress = 0x40;
  module.BlockOut.fill(0x5A);
  module.WriteMemoryBlock();
  ASSERT_EQ(module.LinkStatus, 0);
  const std::uint8_t written = module.BlockChecksum;

  device.AddFault(Rule(sim::Fault::WrongChecksum, "RM", 2));
  module.VerifyMemoryBlock();
  EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
  EXPECT_EQ(module.BlockChecksum, written);  // the verify compares, it does not replace

  module.BlockOffset = 0;
  module.ReadMemoryBlock();
  EXPECT_EQ(module.LinkStatus, 0);
  EXPECT_EQ(module.MemoryImage[0], 0x5A);
  EXPECT_NE(module.BlockChecksum, written);  // the wrong byte is kept, not judged
}

TEST_F(Commands, RefusedBlockOperations) {
  Open();
  module.BlockAddress = 0x60;
  module.BlockOut.fill(0x77);
  device.AddFault(Rule(sim::Fault::Refuse, "WM"));
  module.WriteMemoryBlock();
  EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
  EXPECT_EQ(DeviceBlock(0x60), Bytes(64, 0));

  std::fill_n(device.Memory().begin() + 2 * 0x60, 64, 0x33);
  device.AddFault(Rule(sim::Fault::Refuse, "RM"));
  module.BlockOffset = 64;
  module.ReadMemoryBlock();
  EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
  EXPECT_EQ(module.MemoryImage[64], 0x33);  // the block is already stored

  device.AddFault(Rule(sim::Fault::WrongEcho, "RM"));
  module.MemoryImage[64] = 0;
  module.ReadMemoryBlock();
  EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
  EXPECT_EQ(module.MemoryImage[64], 0);  // stopped at the echo
}

TEST_F(Commands, EepromFailuresStopAtTheFailingIndex) {
  struct Case {
    sim::Fault fault;
    const char* command;
  };
  const Case cases[] = {{sim::Fault::WrongChecksum, "RE"}, {sim::Fault::WrongEcho, "RE"},
                        {sim::Fault::Refuse, "RE"},        {sim::Fault::CorruptReadBack, "RE"},
                        {sim::Fault::WrongEcho, "WE"},     {sim::Fault::Refuse, "WE"}};
  constexpr int k = 10;
  Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.command) + " fault " + std::to_string(static_cast<int>(c.fault)));
    const Bytes inDevice = Ramp(kSettingsCount, 1, 1);
    std::copy(inDevice.begin(), inDevice.end(), device.Eeprom().begin());
    module.SettingsBytes.fill(0xEE);
    auto rule = Rule(c.fault, c.command);
    rule.address = k;
    device.AddFault(rule);
    const bool reading = std::string(c.command) == "RE";
    reading ? module.ReadEeprom() : module.WriteEeprom();
    device.ClearFaults();
    EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
    EXPECT_EQ(module.EepromIndex, k);
    for (int i = 0; i < kSettingsCount; ++i) {
      const auto host = module.SettingsBytes[static_cast<std::size_t>(i)];
      const auto dev = device.Eeprom()[static_cast<std::size_t>(i)];
      if (reading) {
        EXPECT_EQ(host, i < k ? inDevice[static_cast<std::size_t>(i)] : 0xEE) << i;
      } else if (i < k) {
        EXPECT_EQ(dev, 0xEE) << i;
      } else if (i > k) {
        EXPECT_EQ(dev, inDevice[static_cast<std::size_t>(i)]) << i;
      }
    }
  }
}

TEST_F(Commands, DeviceInfo) {
  Open();
  module.FirmwareMajor = 9;
  module.FirmwareMinor = 9;
  module.DeviceModel = '?';
  device.Version() = 0x35;
  device.Model() = 'K';

  device.CurrentMode() = sim::Mode::Normal;  // does not answer "IF"
  module.ReadDeviceInfo();
  EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
  EXPECT_EQ(module.FirmwareMajor, 9);

  device.CurrentMode() = sim::Mode::Update;
  device.AddFault(Rule(sim::Fault::WrongEcho, "IF"));
  module.ReadDeviceInfo();
  EXPECT_EQ(module.LinkStatus, 0);  // ignored, not a failure
  EXPECT_EQ(module.FirmwareMajor, 9);
  EXPECT_EQ(module.DeviceModel, '?');

  module.ReadDeviceInfo();
  EXPECT_EQ(module.LinkStatus, 0);
  EXPECT_EQ(module.FirmwareMajor, 3);
  EXPECT_EQ(module.FirmwareMinor, 5);
  EXPECT_EQ(module.DeviceModel, 'K');
  EXPECT_EQ(module.ReplyEcho, "IF");
}

TEST_F(Commands, TimeOutsOnTheVirtualClock) {
  Open();
  // Silence: one read, one time-out.
  module.RxCount = 6;
  Micros start = clock.Now();
  module.ReadReply();
  EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
  EXPECT_EQ(module.RxTimedOut, kTrue);
  EXPECT_GE(clock.Now() - start, 250000);
  EXPECT_LT(clock.Now() - start, 260000);

  // A reply in two pieces inside the time-out is assembled in order.
  device.CurrentMode() = sim::Mode::Update;
  device.Version() = 0x12;
  auto split = Rule(sim::Fault::SplitReply, "IF");
  split.splitAt = 3;
  split.splitGap = 100000;
  device.AddFault(split);
  module.ReadDeviceInfo();
  EXPECT_EQ(module.LinkStatus, 0);
  EXPECT_EQ(module.FirmwareMajor, 1);
  EXPECT_EQ(module.FirmwareMinor, 2);

  // A second piece later than the time-out of the read after the first piece
  // (which itself may wait one time-out for the rest) ends the read.
  split.splitGap = 700000;
  device.AddFault(split);
  module.FirmwareMajor = 0;
  start = clock.Now();
  module.ReadDeviceInfo();
  EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
  EXPECT_EQ(module.RxTimedOut, kTrue);
  EXPECT_EQ(module.FirmwareMajor, 0);
  EXPECT_EQ(module.RxBuffer[0], 'I');      // the first piece stays
  EXPECT_LT(clock.Now() - start, 700000);  // it did not wait for the late piece
}

TEST_F(Commands, SurplusBytesWaitForAPurge) {
  Open();
  device.CurrentMode() = sim::Mode::Update;
  auto surplus = Rule(sim::Fault::SurplusBytes, "IF");
  surplus.surplusCount = 2;
  device.AddFault(surplus);
  module.ReadDeviceInfo();
  ASSERT_EQ(module.LinkStatus, 0);
  module.RxCount = 2;
  module.ReadReply();  // the surplus is still queued
  EXPECT_EQ(module.LinkStatus, 0);

  device.AddFault(surplus);
  module.ReadDeviceInfo();
  module.BlockAddress = 0x20;
  module.WriteMemoryBlock();  // purges them first
  EXPECT_EQ(module.LinkStatus, 0);
}

TEST_F(Commands, UnplugInTheMiddleFailsCleanly) {
  Open();
  int yields = 0;
  ui.onProcessEvents = [&] {
    if (++yields == 20) {
      device.Unplug();
    }
  };
  module.ReadEeprom();
  EXPECT_NE(module.LinkStatus, 0);
  EXPECT_LT(module.EepromIndex, kSettingsCount);
  for (const auto operation :
       {&NIMBOmodule::WriteEeprom, &NIMBOmodule::WriteMemoryBlock, &NIMBOmodule::VerifyMemoryBlock,
        &NIMBOmodule::ReadMemoryBlock, &NIMBOmodule::ReadDeviceInfo}) {
    (module.*operation)();
    EXPECT_NE(module.LinkStatus, 0);
  }
}

}  // namespace
}  // namespace nimbo::test

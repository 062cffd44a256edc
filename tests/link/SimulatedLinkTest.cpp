// The module against the simulated device on a virtual clock: finding and
// closing the interface, the six device operations (the bytes that travel,
// the checks on the replies, what a failure leaves behind) and a soak under
// random faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "link/NimboModule.h"
#include "support/SimulatedRig.h"

namespace nimbo::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Calls = std::vector<std::string>;

// A module wired to a simulated device whose interface answers to `description`.
// The link's tests move blocks through MemoryImage from the start.
struct Rig : test::SimulatedRig {
  Rig() { module.SizeSharedArrays(); }
  explicit Rig(std::string description) : SimulatedRig(std::move(description)) {
    module.SizeSharedArrays();
  }
};

class Link : public ::testing::Test, public Rig {
 protected:
  // Opens the link and forgets what the opening sent.
  void Open() {
    module.OpenLink();
    ASSERT_EQ(module.LinkStatus, 0);
    ASSERT_NE(module.LinkHandle, 0u);
    device.ClearTrace();
  }

  // Every byte the device received since the trace was last cleared.
  Bytes HostBytes() const {
    Bytes all;
    for (const auto& entry : device.Trace()) {
      if (entry.fromHost) {
        all.insert(all.end(), entry.bytes.begin(), entry.bytes.end());
      }
    }
    return all;
  }

  long CallCount(const std::string& name) const {
    return std::count(transport.Calls().begin(), transport.Calls().end(), name);
  }

  // The 64 device memory bytes of the block at a device address (two bytes
  // per address unit).
  Bytes DeviceBlock(std::int32_t address) {
    const auto first = device.Memory().begin() + 2 * address;
    return Bytes(first, first + static_cast<std::ptrdiff_t>(kBlockSize));
  }
};

const Calls kSetUp = {"SetBaudRate",      "SetFlowControl",         "SetLatencyTimer",
                      "SetUSBParameters", "SetDataCharacteristics", "SetChars",
                      "SetTimeouts"};

// Three descriptions are tried in turn; a failing set-up call closes the
// interface again, except the transfer sizes, which some interfaces refuse.
TEST(OpenLink, FindsTheInterfaceAndSetsItUp) {
  struct Case {
    const char* description;  // nullptr: no interface at all
    const char* failing;      // the set-up call that fails, if any
    std::size_t attempts;
  };
  const Case cases[] = {
      {"USB Serial Converter", nullptr, 3},       {nullptr, nullptr, 3},
      {"FT232R USB UART", "SetUSBParameters", 2}, {"FT232R USB UART", "SetBaudRate", 2},
      {"FT232R USB UART", "SetLatencyTimer", 2},  {"FT232R USB UART", "SetTimeouts", 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.description ? c.description : "absent") + " " +
                 (c.failing ? c.failing : ""));
    Rig rig(c.description ? c.description : "");
    rig.transport.SetAbsent(c.description == nullptr);
    if (c.failing) {
      rig.transport.FailCall(c.failing, ft::kIoError);
    }
    rig.module.OpenLink();
    const bool absent = c.description == nullptr;
    const bool closes = c.failing && std::string(c.failing) != "SetUSBParameters";
    Calls expected(c.attempts, "OpenEx");
    if (!absent) {
      // Set-up stops at the failing call; else the drain times out on the silent device.
      const auto end =
          closes ? std::find(kSetUp.begin(), kSetUp.end(), c.failing) + 1 : kSetUp.end();
      expected.insert(expected.end(), kSetUp.begin(), end);
      expected.push_back(closes ? "Close" : "Read");
    }
    EXPECT_EQ(rig.transport.Calls(), expected);
    EXPECT_EQ(rig.module.LinkHandle == 0, absent || closes);
    if (absent) {
      EXPECT_NE(rig.module.LinkStatus, 0);
    } else if (closes) {
      EXPECT_EQ(rig.module.LinkStatus, static_cast<std::int32_t>(ft::kIoError));
    } else {
      EXPECT_EQ(rig.module.LinkStatus, 0);
      EXPECT_EQ(rig.transport.BaudRate(), 125000u);
      EXPECT_EQ(rig.transport.ReadTimeout(), 250000);
      EXPECT_EQ(rig.module.RxCount, 20);
      EXPECT_EQ(rig.module.RxTimedOut, kTrue);  // the drain's own result stays visible
    }
  }
}

TEST_F(Link, CloseLink) {
  Open();
  module.OpenLink();  // opening again closes the old handle first
  EXPECT_EQ(CallCount("Close"), 1);
  EXPECT_NE(module.LinkHandle, 0u);
  module.CloseLink();
  EXPECT_EQ(module.LinkHandle, 0u);
  EXPECT_EQ(CallCount("Close"), 2);
}

// A reply that comes after its read timed out stays queued. The next transfer,
// started by the user's next click, must not take it for its own first reply:
// every byte would then be read one reply behind, and a refused last byte
// would pass as written.
TEST_F(Link, ALateReplyIsDiscardedByTheNextTransfer) {
  Open();
  Bytes settings(kSettingsCount);
  std::iota(settings.begin(), settings.end(), std::uint8_t{0x40});
  device.Eeprom()[kSettingsCount] = 0x99;  // only bytes 0..67 are exchanged
  for (const auto& [late, refuseLast] : {std::pair{"WE", false}, {"WE", true}, {"RE", false}}) {
    SCOPED_TRACE(testing::Message() << "late " << late << (refuseLast ? ", last refused" : ""));
    std::fill_n(device.Eeprom().begin(), kSettingsCount, 0xEE);
    device.AddFault({.fault = sim::Fault::Late, .command = late, .address = 20});
    std::string(late) == "WE" ? module.WriteEeprom() : module.ReadEeprom();
    ASSERT_EQ(module.LinkStatus, kLinkReadFailure);
    ASSERT_EQ(module.EepromIndex, 20);

    clock.SleepFor(1'000'000);  // the user's next click
    if (refuseLast) {
      device.AddFault(
          {.fault = sim::Fault::Refuse, .command = "WE", .address = kSettingsCount - 1});
    }
    std::copy(settings.begin(), settings.end(), module.SettingsBytes.begin());
    const long purges = CallCount("Purge");
    device.ClearTrace();
    module.WriteEeprom();
    EXPECT_EQ(HostBytes().size(), 6u * kSettingsCount);  // one frame per byte
    EXPECT_EQ(module.LinkStatus, refuseLast ? kLinkReadFailure : 0);
    EXPECT_EQ(module.EepromIndex, refuseLast ? kSettingsCount - 1 : kSettingsCount);
    Bytes stored = settings;
    stored.back() = refuseLast ? 0xEE : stored.back();
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), device.Eeprom().begin()));
    module.SettingsBytes.fill(0);
    module.ReadEeprom();
    EXPECT_EQ(module.LinkStatus, 0);
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), module.SettingsBytes.begin()));
    EXPECT_EQ(module.SettingsBytes[kSettingsCount], 0);
    EXPECT_EQ(device.Eeprom()[kSettingsCount], 0x99);
    EXPECT_EQ(CallCount("Purge"), purges + 2);  // once per transfer, not per byte
  }
}

TEST_F(Link, BlockWriteVerifyAndReadOfZerosAt0x20) {
  Open();
  std::fill_n(device.Memory().begin() + 0x40, 64, 0xFF);
  module.BlockAddress = 0x20;
  module.BlockOut.fill(0);
  module.WriteMemoryBlock();
  ASSERT_EQ(module.LinkStatus, 0);
  EXPECT_EQ(HostBytes().size(), 4u + 64 + 1);
  EXPECT_EQ(CallCount("Write"), 3);  // 4 + 64 + 1
  EXPECT_EQ(DeviceBlock(0x20), Bytes(64, 0));

  module.BlockIn.fill(0x55);
  module.VerifyMemoryBlock();
  EXPECT_EQ(module.LinkStatus, 0);
  EXPECT_EQ(Bytes(module.BlockIn.begin(), module.BlockIn.begin() + 64), Bytes(64, 0));

  module.MemoryImage.assign(kMemoryImageSize, 0xEE);
  module.BlockOffset = 500;
  module.ReadMemoryBlock();
  ASSERT_EQ(module.LinkStatus, 0);
  Bytes expected(66, 0);
  expected.front() = expected.back() = 0xEE;  // only the block is stored, at the offset
  EXPECT_EQ(Bytes(module.MemoryImage.begin() + 499, module.MemoryImage.begin() + 565), expected);
  EXPECT_EQ(CallCount("Purge"), 3);  // each block operation purges first

  // A wrong checksum with the right data: the verify fails and does not
  // replace the checksum; the read form keeps the wrong byte without judging.
  device.AddFault({.fault = sim::Fault::WrongChecksum, .command = "RM", .address = {}, .times = 2});
  module.VerifyMemoryBlock();
  EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
  EXPECT_EQ(module.BlockChecksum, 0x28);
  module.ReadMemoryBlock();
  EXPECT_EQ(module.LinkStatus, 0);
  EXPECT_NE(module.BlockChecksum, 0x28);
}

TEST_F(Link, RefusedOrMisechoedBlockOperationsFail) {
  Open();
  module.BlockAddress = 0x60;
  const auto write = &NIMBOmodule::WriteMemoryBlock, verify = &NIMBOmodule::VerifyMemoryBlock;
  const std::tuple<sim::Fault, const char*, void (NIMBOmodule::*)(), LinkCause> cases[] = {
      {sim::Fault::Refuse, "WM", write, LinkCause::Refused},
      {sim::Fault::WrongEcho, "WM", write, LinkCause::WrongEcho},
      {sim::Fault::Refuse, "RM", &NIMBOmodule::ReadMemoryBlock, LinkCause::Refused},
      {sim::Fault::WrongEcho, "RM", &NIMBOmodule::ReadMemoryBlock, LinkCause::WrongEcho},
      {sim::Fault::Refuse, "RM", verify, LinkCause::Refused},
      {sim::Fault::WrongEcho, "RM", verify, LinkCause::WrongEcho},
      {sim::Fault::Late, "WM", write, LinkCause::NoReply},
      // Straight on: the write takes the late reply above, the verify gets the write's.
      {sim::Fault::Late, "WM", write, LinkCause::None},
      {sim::Fault::NoReply, "IF", verify, LinkCause::LateReply}};
  for (const auto& [fault, command, operation, cause] : cases) {
    if (cause != LinkCause::None && cause != LinkCause::LateReply) {
      clock.SleepFor(100'000);  // until the rest of a reply above has come
    }
    device.AddFault({.fault = fault, .command = command, .address = {}});
    (module.*operation)();
    EXPECT_EQ(module.FailureCause, cause) << command << static_cast<int>(fault);
  }
}

TEST_F(Link, EepromFailuresStopAtTheFailingIndex) {
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
    Bytes inDevice(kSettingsCount);
    std::iota(inDevice.begin(), inDevice.end(), std::uint8_t{1});
    std::copy(inDevice.begin(), inDevice.end(), device.Eeprom().begin());
    module.SettingsBytes.fill(0xEE);
    device.AddFault({.fault = c.fault, .command = c.command, .address = k});
    const bool reading = std::string(c.command) == "RE";
    reading ? module.ReadEeprom() : module.WriteEeprom();
    device.ClearFaults();
    EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
    EXPECT_EQ(module.EepromIndex, k);
    for (std::size_t i = 0; i < kSettingsCount; ++i) {
      if (reading) {  // earlier bytes replaced, the failing one and later kept
        EXPECT_EQ(module.SettingsBytes[i], i < k ? inDevice[i] : 0xEE) << i;
      } else if (i != k) {  // earlier bytes written, later ones untouched
        EXPECT_EQ(device.Eeprom()[i], i < k ? 0xEE : inDevice[i]) << i;
      }
    }
  }
}

TEST_F(Link, DeviceInfo) {
  Open();
  module.FirmwareMajor = 9;
  module.DeviceModel = '?';
  device.Version() = 0x35;
  device.Model() = 'K';
  module.ReadDeviceInfo();  // normal mode: "IF" is not answered
  EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
  EXPECT_EQ(module.FirmwareMajor, 9);

  device.CurrentMode() = sim::Mode::Update;
  device.AddFault({.fault = sim::Fault::WrongEcho, .command = "IF", .address = {}});
  module.ReadDeviceInfo();
  EXPECT_EQ(module.LinkStatus, 0);  // ignored, not a failure
  EXPECT_EQ(module.FirmwareMajor, 9);
  EXPECT_EQ(module.DeviceModel, '?');

  module.ReadDeviceInfo();
  EXPECT_EQ(module.LinkStatus, 0);
  EXPECT_EQ(module.FirmwareMajor, 3);
  EXPECT_EQ(module.FirmwareMinor, 5);
  EXPECT_EQ(module.DeviceModel, 'K');
}

TEST_F(Link, APulledCableFailsEveryOperation) {
  Open();
  device.Unplug();
  for (const auto operation : {&NIMBOmodule::ReadEeprom, &NIMBOmodule::WriteEeprom,
                               &NIMBOmodule::WriteMemoryBlock, &NIMBOmodule::VerifyMemoryBlock,
                               &NIMBOmodule::ReadMemoryBlock, &NIMBOmodule::ReadDeviceInfo}) {
    (module.*operation)();
    EXPECT_NE(module.LinkStatus, 0);
  }
}

// Soak rounds against a device that misbehaves at random, late replies among
// its faults. Rounds follow one another as a user's clicks would, a second
// apart, with no purge of their own: each operation must discard what an
// earlier round left queued. A round that no fault struck passes; a round that
// a silent, late, refused or misechoed reply struck fails; a round that passes
// leaves the device holding what was written.
using Soak = Link;

TEST_F(Soak, EepromWriteThenRead) {
  Open();
  device.SetRandomFaults({.seed = 20240611, .probability = 0.002});
  // Faults that struck so far: all kinds, and those that fail whatever
  // exchange they strike.
  const auto struck = [this] {
    std::pair<std::size_t, std::size_t> count;
    for (int kind = 0; kind <= static_cast<int>(sim::Fault::Late); ++kind) {
      const auto fault = static_cast<sim::Fault>(kind);
      count.first += device.StruckCount(fault);
      const bool fails = fault == sim::Fault::NoReply || fault == sim::Fault::WrongEcho ||
                         fault == sim::Fault::Refuse || fault == sim::Fault::Late;
      count.second += fails ? device.StruckCount(fault) : 0;
    }
    return count;
  };
  std::mt19937 random{7};
  int clean = 0;
  int lateRounds = 0;
  for (int r = 0; r < 200; ++r) {
    const auto [any, sure] = struck();
    const std::size_t late = device.StruckCount(sim::Fault::Late);
    Bytes written(kSettingsCount);
    std::generate(written.begin(), written.end(),
                  [&] { return static_cast<std::uint8_t>(random() & 0xFF); });
    std::copy(written.begin(), written.end(), module.SettingsBytes.begin());
    module.WriteEeprom();
    if (module.LinkStatus == 0) {
      module.SettingsBytes.fill(0);
      module.ReadEeprom();
    }
    const bool passed = module.LinkStatus == 0 &&
                        std::equal(written.begin(), written.end(), module.SettingsBytes.begin());
    EXPECT_TRUE(!passed || std::equal(written.begin(), written.end(), device.Eeprom().begin()))
        << "round " << r;
    const auto [anyAfter, sureAfter] = struck();
    clean += anyAfter == any ? 1 : 0;
    lateRounds += device.StruckCount(sim::Fault::Late) != late ? 1 : 0;
    EXPECT_TRUE(anyAfter != any || passed) << "round " << r << " struck by no fault";
    EXPECT_TRUE(sureAfter == sure || !passed) << "round " << r << " struck by a failing fault";
    clock.SleepFor(1'000'000);
  }
  // The seed gives both kinds of round.
  EXPECT_GT(clean, 5);
  EXPECT_GT(lateRounds, 5);
}

}  // namespace
}  // namespace nimbo::test

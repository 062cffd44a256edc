// The libftdi1 backend with the real libftdi1 and libusb, against FT232R chips
// emulated below libusb: what an owner of a real device runs.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "ledmatrix/MatrixTransfer.h"
#include "link/ftdi/EmulatedUsbBus.h"
#include "link/ftdi/LibFtdiTransport.h"
#include "support/RecordingUserInterface.h"
#include "support/SimulatedRig.h"

namespace nimbo::ftdi::test {
namespace {

constexpr const char* kCorvane = "Corvane Serial Link";
constexpr const char* kFt232r = "FT232R USB UART";
constexpr const char* kConverter = "USB Serial Converter";

class EmulatedChip : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EmulatedUsbBus::Preloaded())
        << "run with the umockdev preload (LD_PRELOAD=libumockdev-preload.so.0)";
    device.LoadFactoryContents();
    module.SizeSharedArrays();
  }

  // Plugs in a chip with the NIMBO device behind it, and opens the link.
  int PlugAndOpen(const char* description = kFt232r) {
    const int chip = bus.Plug(description, &device);
    module.OpenLink();
    EXPECT_EQ(module.LinkStatus, 0);
    return chip;
  }

  EmulatedUsbBus bus;  // before any libusb context
  sim::SimulatedDevice device{bus.Time()};
  LibFtdiTransport transport;
  nimbo::test::RecordingUserInterface ui;
  NIMBOmodule module{transport, ui};
};

// One bus per case; the fixture's bus would be a second testbed. An
// interface without access rights may be the one wanted: it is not opened,
// and it is not merely missing.
TEST(EmulatedBus, OpenLinkTakesTheFirstDescriptionInOrderAndSetsUpTheLine) {
  ASSERT_TRUE(EmulatedUsbBus::Preloaded());
  struct Case {
    std::vector<const char*> plugged;  // in bus order
    std::optional<int> opened;         // index into `plugged`
    bool refused = false;              // opening the first one is refused
  };
  const Case cases[] = {
      {{kFt232r, kConverter, kCorvane}, 2}, {{kConverter, kFt232r}, 1}, {{kConverter}, 0},
      {{"FT231X USB UART"}, std::nullopt},  {{}, std::nullopt},         {{kConverter}, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plugged.empty() ? "nothing plugged" : c.plugged.front());
    EmulatedUsbBus caseBus;
    LibFtdiTransport caseTransport;
    nimbo::test::RecordingUserInterface ui;
    NIMBOmodule caseModule{caseTransport, ui};
    caseModule.SizeSharedArrays();
    for (const char* description : c.plugged) {
      caseBus.Plug(description, nullptr);
    }
    if (c.refused) {
      caseBus.RefuseOpen(0);
    }
    caseModule.OpenLink();
    if (!c.opened) {
      EXPECT_EQ(caseModule.LinkStatus,
                static_cast<std::int32_t>(c.refused ? ft::kDeviceNotOpened : ft::kDeviceNotFound));
      EXPECT_EQ(caseModule.LinkHandle, 0u);
    } else {
      EXPECT_EQ(caseModule.LinkStatus, 0);
      EXPECT_NE(caseModule.LinkHandle, 0u);
    }
    for (int chip = 0; chip < static_cast<int>(c.plugged.size()); ++chip) {
      const UsbState state = caseBus.State(chip);
      EXPECT_EQ(state.claimed, chip == c.opened) << "chip " << chip;
      if (chip != c.opened) {
        continue;
      }
      EXPECT_TRUE(state.driverDetached);
      EXPECT_EQ(state.line, (LineState{.baud = 125000, .latencyMs = 2}));
    }
    caseModule.CloseLink();
    if (c.opened) {
      const UsbState closed = caseBus.State(*c.opened);
      EXPECT_FALSE(closed.claimed);
      EXPECT_FALSE(closed.driverDetached) << "the kernel's driver gets the interface back";
    }
  }
}

// The only timed check: it tells 250 ms from 250 us and from 250 s, nothing
// finer. The chip hands over a status-only packet once per 2 ms latency
// period, so a read loop that keeps to the chip's pace polls at most ~125
// times during the time-out.
TEST_F(EmulatedChip, ASilentDeviceEndsAReadAfterTheReadTimeOut) {
  const int chip = PlugAndOpen();
  const int before = bus.State(chip).inTransfers;
  module.RxCount = 3;
  const auto start = std::chrono::steady_clock::now();
  module.ReadReply();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
  EXPECT_EQ(module.RxTimedOut, kTrue);
  EXPECT_EQ(module.RxTotal, 0);
  EXPECT_GE(elapsed, std::chrono::milliseconds(240));
  EXPECT_LT(elapsed, std::chrono::milliseconds(2500));
  const int polls = bus.State(chip).inTransfers - before;
  EXPECT_GE(polls, 1);
  EXPECT_LE(polls, 140);
}

// Runs settings and matrix operations on `module`, then a settings read on a
// line of 7 data bits, and returns what the device saw and answered, with the
// results the module kept. Surplus bytes after the last block of the first
// matrix read stay queued until the store purges them.
struct Outcome {
  std::vector<sim::TraceEntry> trace;
  std::vector<std::int32_t> statuses;
  std::vector<std::uint8_t> settings;
  std::string matrix;
  bool operator==(const Outcome&) const = default;
};

Outcome RunOperations(NIMBOmodule& module, sim::SimulatedDevice& device) {
  Outcome out;
  device.ClearTrace();
  device.AddFault({.fault = sim::Fault::SurplusBytes,
                   .command = "RM",
                   .address = 0x2000 + 23 * 32,
                   .surplusCount = 5});
  module.ReadEeprom();
  out.statuses.push_back(module.LinkStatus);
  module.SettingsBytes[5] ^= 0x5A;
  module.WriteEeprom();
  out.statuses.push_back(module.LinkStatus);
  ledmatrix::GetMatrixStringButton_Click(module);
  out.statuses.push_back(module.DeviceFound);
  module.MemoryImage[0] = 'Z';
  ledmatrix::StoreMatrixStringButton_Click(module);
  out.statuses.push_back(module.LinkStatus);
  ledmatrix::GetMatrixStringButton_Click(module);
  out.statuses.push_back(module.DeviceFound);
  out.settings.assign(module.SettingsBytes.begin(), module.SettingsBytes.end());
  out.matrix = module.MatrixString;
  // Both interfaces hand a wrong line to the device alike: it hears garbage.
  EXPECT_EQ(module.Ftdi().SetDataCharacteristics(module.LinkHandle, 7, 0, 0), ft::kOk);
  module.ReadEeprom();
  out.statuses.push_back(module.LinkStatus);
  out.trace = device.Trace();
  return out;
}

TEST_F(EmulatedChip, OperationsAndAWrongLineGiveTheSameTraceAsTheSimulatedTransport) {
  PlugAndOpen();
  const Outcome emulated = RunOperations(module, device);

  nimbo::test::SimulatedRig rig;
  rig.device.LoadFactoryContents();
  rig.module.SizeSharedArrays();
  rig.module.OpenLink();
  ASSERT_EQ(rig.module.LinkStatus, 0);
  const Outcome simulated = RunOperations(rig.module, rig.device);

  EXPECT_EQ(simulated.statuses,
            (std::vector<std::int32_t>{0, 0, kTrue, 0, kTrue, kLinkReadFailure}));
  EXPECT_GT(simulated.trace.size(), 2u * 68 * 2);
  EXPECT_TRUE(emulated == simulated)
      << "trace entries " << emulated.trace.size() << " vs " << simulated.trace.size()
      << ", statuses " << testing::PrintToString(emulated.statuses);
  EXPECT_TRUE(
      std::equal(device.Eeprom().begin(), device.Eeprom().end(), rig.device.Eeprom().begin()));
  EXPECT_EQ(emulated.matrix.substr(0, 1), "Z");
}

// A reply in two pieces, in two USB transfers, is assembled in order; a
// second piece later than the read that follows the first one (each read
// waits up to 250 ms) ends the read as timed out. The gaps keep far from the
// 250 and 500 ms edges.
TEST_F(EmulatedChip, AReplySplitOverTransfersIsAssembledWithinTheTimeOut) {
  PlugAndOpen();
  for (const auto& [gap, assembled] : {std::pair{Micros{20'000}, true}, {Micros{900'000}, false}}) {
    SCOPED_TRACE(gap);
    sim::FaultRule split;
    split.fault = sim::Fault::SplitReply;
    split.command = "RE";
    split.splitAt = 2;
    split.splitGap = gap;
    device.AddFault(split);
    module.SettingsBytes[0] = 0;
    module.ReadEeprom();
    EXPECT_EQ(module.LinkStatus, assembled ? 0 : kLinkReadFailure);
    EXPECT_EQ(module.RxTimedOut, assembled ? kFalse : kTrue);
    if (assembled) {
      EXPECT_EQ(module.SettingsBytes[0], device.Eeprom()[0]);
    }
    device.Purge(true, true);
  }
}

TEST_F(EmulatedChip, UnplugDuringAReadFailsAtOnceAndLaterCallsFailToo) {
  const int chip = PlugAndOpen();
  bus.UnplugDuringRead(chip, 1);
  const FtHandle handle = module.LinkHandle;
  const int before = bus.State(chip).inTransfers;
  module.ReadEeprom();  // the write gets through, the reply never comes
  EXPECT_EQ(module.LinkStatus, kLinkReadFailure);
  EXPECT_EQ(bus.State(chip).inTransfers, before + 1) << "a failed poll ends the read";

  std::vector<std::uint8_t> bytes(3);
  std::uint32_t count = 0;
  EXPECT_NE(transport.Read(handle, bytes, count), ft::kOk);
  EXPECT_EQ(count, 0u);
  EXPECT_NE(transport.Write(handle, bytes, count), ft::kOk);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(bus.State(chip).inTransfers, before + 2);

  bus.Unplug(chip);  // the chip also leaves the bus
  module.CloseLink();
  module.OpenLink();
  EXPECT_EQ(module.LinkStatus, static_cast<std::int32_t>(ft::kDeviceNotFound));
  EXPECT_EQ(module.LinkHandle, 0u);
}

TEST_F(EmulatedChip, AStalledWriteIsAWriteFailure) {
  const int chip = PlugAndOpen();
  bus.StallWrites(chip);
  module.ReadEeprom();
  EXPECT_EQ(module.LinkStatus, static_cast<std::int32_t>(ft::kIoError));
  EXPECT_TRUE(device.Trace().empty());
}

}  // namespace
}  // namespace nimbo::ftdi::test

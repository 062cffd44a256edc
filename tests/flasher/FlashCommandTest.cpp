// nimbo-cli's "flash" and "memory read" in-process against the simulated
// device, so that failures can be planted.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "Cli.h"
#include "Context.h"
#include "flasher/FlasherRig.h"

namespace nimbo::cli {
namespace {

class FlashCommandTest : public ::testing::Test, protected test::FlasherRig {
 protected:
  std::vector<std::string> ErrLines() const {
    std::vector<std::string> lines;
    std::istringstream in(err.str());
    for (std::string line; std::getline(in, line);) {
      lines.push_back(line);
    }
    return lines;
  }

  std::ostringstream out;
  std::ostringstream err;
  Context context{out, err, module, &device};
};

TEST_F(FlashCommandTest, ReportsProgressEveryTenPercentAndSucceeds) {
  EXPECT_EQ(RunCli({"flash", "--no-backup", firmwarePath}, context), kSuccess) << err.str();
  EXPECT_EQ(out.str(), "Flash Complete!\n");
  std::vector<std::string> expected = {"Device: NIMBO" + std::string(1, char(device.Model())),
                                       "Current Firmware: v1.0  -  New Firmware: v1.2"};
  for (int percent = 0; percent <= 100; percent += 10) {
    expected.push_back("Flashing CPU..." + std::to_string(percent) + "%");
  }
  EXPECT_EQ(ErrLines(), expected);
}

TEST_F(FlashCommandTest, AFailureNamesItsBlockAddressTriesAndFirstDifference) {
  struct Case {
    sim::Fault fault;
    const char* command;
    std::string line;
  };
  const std::size_t at = 72 + 64 * 3 + 5;  // image byte 5 of block 3
  char expected[64];
  std::snprintf(expected, sizeof expected, "expected 0x%02X, read 0x%02X", image[at],
                image[at] ^ 0xFF);
  const Case cases[] = {
      {sim::Fault::Refuse, "WM",
       "nimbo-cli: flash: block 3 at device address 0x0080 failed after 10 tries"},
      {sim::Fault::CorruptReadBack, "RM",
       "nimbo-cli: flash: block 3 at device address 0x0080 failed after 10 tries; first "
       "differing byte at offset 5: " +
           std::string(expected)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    err.str("");
    device.ClearFaults();
    device.AddFault(
        {.fault = c.fault, .command = c.command, .address = 0x0080, .times = -1, .corruptAt = 5});
    EXPECT_EQ(RunCli({"flash", "--no-backup", firmwarePath}, context), kFailure);
    EXPECT_EQ(ErrLines().back(), c.line);
    EXPECT_EQ(out.str(), "");
  }
}

TEST_F(FlashCommandTest, MemoryReadDumpsWhatTheDeviceHoldsEvenThroughADamagedReply) {
  for (std::size_t i = 0; i < 20; ++i) {
    device.Memory()[2 * 0x0020 + i] = static_cast<std::uint8_t>(0xA0 + i);
  }
  device.AddFault(
      {.fault = sim::Fault::CorruptReadBack, .command = "RM", .address = 0x0020, .corruptAt = 2});
  EXPECT_EQ(RunCli({"memory", "read", "0x0020", "20"}, context), kSuccess) << err.str();
  EXPECT_EQ(out.str(),
            "0020: A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF\n"
            "0028: B0 B1 B2 B3\n");
  // 0xFFF0 and 32 bytes end at 0xFFFF; one byte more lies beyond the device.
  EXPECT_EQ(RunCli({"memory", "read", "0xFFF0", "32"}, context), kSuccess) << err.str();
  EXPECT_EQ(RunCli({"memory", "read", "0xFFF0", "33"}, context), kUsageError);
}

}  // namespace
}  // namespace nimbo::cli

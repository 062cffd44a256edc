// The settings commands in-process on the simulated device, for the failures
// a separate process cannot provoke: refused reads and writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "../../tools/nimbo-cli/Commands.h"
#include "link/Clock.h"
#include "link/UserInterface.h"
#include "link/sim/SimulatedDevice.h"
#include "link/sim/SimulatedTransport.h"

namespace nimbo::cli {

// Minimal link helpers for this test; nimbo-cli has its own.
bool EnsureLink(Context& context) {
  if (context.module.LinkHandle == 0) {
    context.module.OpenLink();
  }
  if (context.module.LinkHandle == 0) {
    context.err << "OpenLink failed\n";
    return false;
  }
  return true;
}

int ReportLinkFailure(Context& context, const std::string& step) {
  context.err << step << " failed (LinkStatus " << context.module.LinkStatus << ")\n";
  return 1;
}

namespace {

struct FailureCase {
  std::vector<std::string> args;
  const char* command;  // the refused command
  int address;
  const char* message;
  int unchangedFrom;  // device bytes from here on keep their old value
};

TEST(SettingsCommand, RefusedTransfersFailWithTheWindowsMessage) {
  std::string hex;
  for (int i = 0; i < 68; ++i) {
    hex += "EE ";
  }
  const FailureCase cases[] = {
      {{"read"}, "RE", 30, "Read Error!", 0},       {{"show"}, "RE", 67, "Read Error!", 0},
      {{"defaults"}, "RE", 40, "Read Error!", 0},  // nothing is written after a failed read
      {{"defaults"}, "WE", 10, "Write Error!", 10}, {{"write", hex}, "WE", 0, "Write Error!", 0},
  };
  for (const FailureCase& c : cases) {
    VirtualClock clock;
    sim::SimulatedDevice device(clock);
    sim::SimulatedTransport transport(device, clock);
    SilentUserInterface ui;
    NIMBOmodule module(transport, ui);
    auto eeprom = device.Eeprom();
    std::fill(eeprom.begin(), eeprom.end(), 0x33);
    device.AddFault({.fault = sim::Fault::Refuse, .command = c.command, .address = c.address});

    std::ostringstream out;
    std::ostringstream err;
    Context context{module, out, err};
    const int status = RunSettingsCommand(context, c.args);
    EXPECT_NE(status, 0) << c.args[0];
    EXPECT_NE(err.str().find(c.message), std::string::npos) << c.args[0] << ": " << err.str();
    for (int at = 0; at < 68; ++at) {
      if (at >= c.unchangedFrom) {
        EXPECT_EQ(eeprom[at], 0x33) << c.args[0] << " " << c.command << " byte " << at;
      }
    }
    if (c.unchangedFrom > 0) {
      EXPECT_EQ(eeprom[1], 7) << "defaults reach the device up to the failure";
    }
  }
}

}  // namespace
}  // namespace nimbo::cli

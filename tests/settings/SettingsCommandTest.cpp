// The settings commands in-process on the simulated device, for the failures
// a separate process cannot provoke.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "../../tools/nimbo-cli/Commands.h"
#include "support/SimulatedRig.h"

namespace nimbo::cli {
namespace {

TEST(SettingsCommand, DefaultsWriteNothingAfterAFailedRead) {
  test::SimulatedRig rig;
  sim::SimulatedDevice& device = rig.device;
  auto eeprom = device.Eeprom();
  std::fill(eeprom.begin(), eeprom.end(), 0x33);
  device.AddFault({.fault = sim::Fault::Refuse, .command = "RE", .address = 40});

  std::ostringstream out;
  std::ostringstream err;
  Context context{rig.module, out, err};
  EXPECT_NE(RunSettingsCommand(context, std::vector<std::string>{"defaults"}), 0);
  EXPECT_NE(err.str().find("Read Error!"), std::string::npos) << err.str();
  for (int at = 0; at < 68; ++at) {
    EXPECT_EQ(eeprom[at], 0x33) << "byte " << at;
  }
}

}  // namespace
}  // namespace nimbo::cli

// A module wired to a simulated device on a virtual clock, with a recording
// user interface: what every link test starts from.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "link/Clock.h"
#include "link/NimboModule.h"
#include "link/sim/SimulatedDevice.h"
#include "link/sim/SimulatedTransport.h"
#include "support/RecordingUserInterface.h"

namespace nimbo::test {

using Bytes = std::vector<std::uint8_t>;

class LinkFixture : public ::testing::Test {
 protected:
  explicit LinkFixture(std::string description = "FT232R USB UART")
      : transport(device, clock, std::move(description)) {
    module.SizeSharedArrays();
  }

  // Opens the link and forgets what the opening sent and called.
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

  // A fault on the next matching exchange; the other fields keep their defaults.
  static sim::FaultRule Rule(sim::Fault fault, std::string command, int times = 1) {
    sim::FaultRule rule;
    rule.fault = fault;
    rule.command = std::move(command);
    rule.times = times;
    return rule;
  }

  long CallCount(const std::string& name) const {
    const auto& calls = transport.Calls();
    return std::count(calls.begin(), calls.end(), name);
  }

  // Device memory bytes of the 64-byte block at a device address (two bytes
  // per address unit).
  Bytes DeviceBlock(std::int32_t address) {
    const auto memory = device.Memory();
    const auto first = memory.begin() + 2 * address;
    return Bytes(first, first + static_cast<std::ptrdiff_t>(kBlockSize));
  }

  VirtualClock clock;
  sim::SimulatedDevice device{clock};
  sim::SimulatedTransport transport;
  RecordingUserInterface ui;
  NIMBOmodule module{transport, ui};
};

}  // namespace nimbo::test

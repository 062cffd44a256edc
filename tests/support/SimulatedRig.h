// A simulated device behind its transport on a virtual clock, and a module
// wired to it with a recording user interface: what every device test starts
// from.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "link/Clock.h"
#include "link/NimboModule.h"
#include "link/sim/SimulatedDevice.h"
#include "link/sim/SimulatedTransport.h"
#include "support/RecordingUserInterface.h"

namespace nimbo::test {

struct SimulatedRig {
  SimulatedRig() : transport(device, clock) {}
  // An interface that answers to `description` only.
  explicit SimulatedRig(std::string description)
      : transport(device, clock, std::move(description)) {}

  VirtualClock clock;
  sim::SimulatedDevice device{clock};
  sim::SimulatedTransport transport;
  RecordingUserInterface ui;
  NIMBOmodule module{transport, ui};

  // Frames the host sent whose command letters are `command` ("RM", "WE", ...).
  int SentFrames(std::string_view command) const {
    return static_cast<int>(std::ranges::count_if(device.Trace(), [&](const auto& e) {
      return e.fromHost && e.bytes.size() >= 2 &&
             std::string_view(reinterpret_cast<const char*>(e.bytes.data()), 2) == command;
    }));
  }
};

}  // namespace nimbo::test

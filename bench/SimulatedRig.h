// A simulated device on a virtual clock with the link open: what every
// benchmark runs its workload against.
#pragma once

#include "link/Clock.h"
#include "link/NimboModule.h"
#include "link/UserInterface.h"
#include "link/sim/SimulatedDevice.h"
#include "link/sim/SimulatedTransport.h"

namespace nimbo::bench {

// 10 bits per byte at 125000 baud.
inline constexpr double kMicrosPerWireByte = 80.0;

struct SimulatedRig {
  VirtualClock clock;
  sim::SimulatedDevice device{clock};
  sim::SimulatedTransport transport{device, clock};
  SilentUserInterface ui;
  NIMBOmodule module{transport, ui};

  SimulatedRig() {
    device.LoadFactoryContents();
    module.SizeSharedArrays();
    module.OpenLink();
  }
};

}  // namespace nimbo::bench

// "sim ...": looks at and changes the simulated device itself, the way a
// person would by pressing its buttons (only with --simulate).
#pragma once

#include <span>
#include <string>

#include "Commands.h"
#include "link/sim/SimulatedDevice.h"

namespace nimbo::cli {

// `device` is nullptr on real hardware, which the command refuses.
int RunSimCommand(Context& context, sim::SimulatedDevice* device,
                  std::span<const std::string> args);

}  // namespace nimbo::cli

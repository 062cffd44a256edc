// The link the front ends use: the real interface through libftdi1, or the
// simulated device (optionally kept in a state file that every program naming
// it shares), with an optional trace of every frame and reply.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "link/Clock.h"
#include "link/D2xx.h"
#include "link/sim/SimulatedDevice.h"

namespace nimbo::backend {

struct BackendOptions {
  bool simulate = false;
  std::optional<std::string> stateFile;  // --simulate=STATE
  bool realTime = true;                  // simulated replies take real time
  std::ostream* trace = nullptr;         // "> 57 45 ..." / "< 57 45 01" lines
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual D2xx& Transport() = 0;
  // The simulated device, or nullptr for real hardware.
  virtual sim::SimulatedDevice* Device() = 0;
};

// Returns nullptr with a message in `error` when the state file cannot be
// used (it names the file and the reason). A simulated device keeps every
// change in its state file as it happens; there is nothing to save.
std::unique_ptr<Backend> MakeBackend(const BackendOptions& options, std::string& error);

}  // namespace nimbo::backend

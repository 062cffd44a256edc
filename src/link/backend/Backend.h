// The link the front ends use: the real interface through libftdi1, or the
// simulated device (optionally kept in a state file between runs), with an
// optional trace of every frame and reply.
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
  // Writes the simulated device back to its state file, if it has one (also
  // done on destruction). Returns false with a message in `error` on failure.
  virtual bool SaveState(std::string& error) = 0;
};

// Returns nullptr with a message in `error` when the state file is unreadable.
std::unique_ptr<Backend> MakeBackend(const BackendOptions& options, std::string& error);

// Parses "--simulate" / "--simulate=STATE"; returns false when `arg` is not
// that option.
bool ParseSimulateOption(const std::string& arg, BackendOptions& options);

}  // namespace nimbo::backend

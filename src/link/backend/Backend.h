// The link the front ends use: the real interface through libftdi1 or the
// vendor's D2XX driver, or the simulated device (optionally kept in a state
// file that every program naming it shares), with an optional trace of every
// frame and reply.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "link/Clock.h"
#include "link/D2xx.h"
#include "link/backend/D2xxDriver.h"
#include "link/sim/SimulatedDevice.h"

namespace nimbo::backend {

// What reaches real hardware.
enum class Driver {
  LibFtdi,  // libftdi1 on libusb: Linux
  D2xx,     // the vendor's D2XX library, loaded at run time: Windows, or Linux on request
};

struct BackendOptions {
  bool simulate = false;
  std::optional<std::string> stateFile;  // --simulate=STATE
  bool realTime = true;                  // simulated replies take real time
  std::ostream* trace = nullptr;         // "> 57 45 ..." / "< 57 45 01" lines
  // Real hardware: nullopt takes NIMBO_DRIVER from the environment ("d2xx"
  // or "libftdi"), else the system's own (libftdi1 where this build has it).
  std::optional<Driver> driver;
  std::string d2xxLibrary = kD2xxLibraryName;  // where the D2XX driver is loaded from
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual D2xx& Transport() = 0;
  // The simulated device, or nullptr for real hardware.
  virtual sim::SimulatedDevice* Device() = 0;
};

// Returns nullptr with a message in `error` when the state file cannot be
// used (it names the file and the reason), or when the chosen driver cannot
// be loaded. A simulated device keeps every
// change in its state file as it happens; there is nothing to save.
std::unique_ptr<Backend> MakeBackend(const BackendOptions& options, std::string& error);

}  // namespace nimbo::backend

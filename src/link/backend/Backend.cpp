#include "link/backend/Backend.h"

#include <filesystem>
#include <utility>

#include "link/backend/TracingTransport.h"
#include "link/ftdi/LibFtdiTransport.h"
#include "link/sim/SimulatedDeviceState.h"
#include "link/sim/SimulatedTransport.h"

namespace nimbo::backend {
namespace {

constexpr std::string_view kSimulateOption = "--simulate";

// Real hardware through libftdi1.
class HardwareBackend final : public Backend {
 public:
  explicit HardwareBackend(std::ostream* trace) {
    if (trace != nullptr) {
      tracing_ = std::make_unique<TracingTransport>(ftdi_, *trace);
    }
  }

  D2xx& Transport() override {
    return tracing_ ? static_cast<D2xx&>(*tracing_) : static_cast<D2xx&>(ftdi_);
  }
  sim::SimulatedDevice* Device() override { return nullptr; }
  bool SaveState(std::string&) override { return true; }

 private:
  ftdi::LibFtdiTransport ftdi_;
  std::unique_ptr<TracingTransport> tracing_;  // declared last: flushes first
};

// The simulated device, optionally kept in a state file between runs.
class SimulatedBackend final : public Backend {
 public:
  SimulatedBackend(std::unique_ptr<Clock> clock, std::optional<std::string> stateFile,
                   std::ostream* trace)
      : clock_(std::move(clock)),
        device_(*clock_),
        transport_(device_, *clock_),
        stateFile_(std::move(stateFile)) {
    device_.LoadFactoryContents();
    if (trace != nullptr) {
      tracing_ = std::make_unique<TracingTransport>(transport_, *trace);
    }
  }

  ~SimulatedBackend() override {
    std::string ignored;  // nobody is left to tell; SaveState reports failures
    SaveState(ignored);
  }

  // Loads the state file, or creates it with the factory contents.
  bool Attach(std::string& error) {
    if (!stateFile_) {
      return true;
    }
    std::error_code ignored;
    attached_ = std::filesystem::exists(*stateFile_, ignored)
                    ? sim::LoadDeviceState(device_, *stateFile_, error)
                    : sim::SaveDeviceState(device_, *stateFile_, error);
    return attached_;
  }

  D2xx& Transport() override {
    return tracing_ ? static_cast<D2xx&>(*tracing_) : static_cast<D2xx&>(transport_);
  }
  sim::SimulatedDevice* Device() override { return &device_; }
  bool SaveState(std::string& error) override {
    if (!stateFile_) {
      return true;
    }
    // A file that could not be loaded is left as it is, never overwritten.
    if (!attached_) {
      error = "the state file " + *stateFile_ + " was not loaded";
      return false;
    }
    return sim::SaveDeviceState(device_, *stateFile_, error);
  }

 private:
  std::unique_ptr<Clock> clock_;
  sim::SimulatedDevice device_;
  sim::SimulatedTransport transport_;
  std::optional<std::string> stateFile_;
  bool attached_ = false;  // the state file was loaded or created
  std::unique_ptr<TracingTransport> tracing_;
};

}  // namespace

std::unique_ptr<Backend> MakeBackend(const BackendOptions& options, std::string& error) {
  if (!options.simulate) {
    return std::make_unique<HardwareBackend>(options.trace);
  }
  if (options.stateFile && options.stateFile->empty()) {
    error = "--simulate= needs the name of a state file";
    return nullptr;
  }
  std::unique_ptr<Clock> clock;
  if (options.realTime) {
    clock = std::make_unique<SteadyClock>();
  } else {
    clock = std::make_unique<VirtualClock>();
  }
  auto backend =
      std::make_unique<SimulatedBackend>(std::move(clock), options.stateFile, options.trace);
  if (!backend->Attach(error)) {
    return nullptr;
  }
  return backend;
}

bool ParseSimulateOption(const std::string& arg, BackendOptions& options) {
  const std::string_view text(arg);
  if (!text.starts_with(kSimulateOption)) {
    return false;
  }
  const std::string_view rest = text.substr(kSimulateOption.size());
  if (rest.empty()) {
    options.simulate = true;
    options.stateFile.reset();
    return true;
  }
  if (rest.front() != '=') {
    return false;  // some other option that merely begins alike
  }
  options.simulate = true;
  options.stateFile = std::string(rest.substr(1));
  return true;
}

}  // namespace nimbo::backend

#include "link/backend/Backend.h"

#include <utility>

#include "link/backend/TracingTransport.h"
#include "link/ftdi/LibFtdiTransport.h"
#include "link/sim/DeviceStore.h"
#include "link/sim/SimulatedDeviceState.h"
#include "link/sim/SimulatedTransport.h"

namespace nimbo::backend {
namespace {

// The last description OpenLink tries, so that the status it ends with is the
// simulated interface's own: 3 (not opened) while another program holds it.
constexpr const char* kSimulatedDescription = "USB Serial Converter";

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

 private:
  ftdi::LibFtdiTransport ftdi_;
  std::unique_ptr<TracingTransport> tracing_;  // declared last: flushes first
};

// The simulated device, in the process or in its state file.
class SimulatedBackend final : public Backend {
 public:
  SimulatedBackend(std::unique_ptr<Clock> clock, std::unique_ptr<sim::DeviceStore> store,
                   std::ostream* trace)
      : clock_(std::move(clock)),
        device_(store ? sim::SimulatedDevice(*clock_, std::move(store))
                      : sim::SimulatedDevice(*clock_)),
        transport_(device_, *clock_, kSimulatedDescription) {
    if (trace != nullptr) {
      tracing_ = std::make_unique<TracingTransport>(transport_, *trace);
    }
  }

  D2xx& Transport() override {
    return tracing_ ? static_cast<D2xx&>(*tracing_) : static_cast<D2xx&>(transport_);
  }
  sim::SimulatedDevice* Device() override { return &device_; }

 private:
  std::unique_ptr<Clock> clock_;
  sim::SimulatedDevice device_;
  sim::SimulatedTransport transport_;
  std::unique_ptr<TracingTransport> tracing_;  // declared last: flushes first
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
  std::unique_ptr<sim::DeviceStore> store;
  if (options.stateFile) {
    store = sim::OpenStateFile(*options.stateFile, error);
    if (!store) {
      return nullptr;
    }
  }
  std::unique_ptr<Clock> clock;
  if (options.realTime) {
    clock = std::make_unique<SteadyClock>();
  } else {
    clock = std::make_unique<VirtualClock>();
  }
  const bool inProcess = !store;
  auto backend =
      std::make_unique<SimulatedBackend>(std::move(clock), std::move(store), options.trace);
  if (inProcess) {
    backend->Device()->LoadFactoryContents();  // a state file holds its own contents
  }
  return backend;
}

}  // namespace nimbo::backend

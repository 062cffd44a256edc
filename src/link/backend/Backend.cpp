#include "link/backend/Backend.h"

#include <cstdlib>
#include <string_view>
#include <utility>

#include "link/backend/TracingTransport.h"
#ifdef NIMBO_HAVE_LIBFTDI
#include "link/ftdi/LibFtdiTransport.h"
#endif
#include "link/sim/DeviceStore.h"
#include "link/sim/SimulatedDeviceState.h"
#include "link/sim/SimulatedTransport.h"

namespace nimbo::backend {
namespace {

// The last description OpenLink tries, so that the status it ends with is the
// simulated interface's own: 3 (not opened) while another program holds it.
constexpr const char* kSimulatedDescription = "USB Serial Converter";

// Real hardware through one of the drivers.
class HardwareBackend final : public Backend {
 public:
  HardwareBackend(std::unique_ptr<D2xx> driver, std::ostream* trace) : driver_(std::move(driver)) {
    if (trace != nullptr) {
      tracing_ = std::make_unique<TracingTransport>(*driver_, *trace);
    }
  }

  D2xx& Transport() override { return tracing_ ? static_cast<D2xx&>(*tracing_) : *driver_; }
  sim::SimulatedDevice* Device() override { return nullptr; }

 private:
  std::unique_ptr<D2xx> driver_;
  std::unique_ptr<TracingTransport> tracing_;  // declared last: flushes first
};

#ifdef NIMBO_HAVE_LIBFTDI
constexpr Driver kSystemDriver = Driver::LibFtdi;
#else
constexpr Driver kSystemDriver = Driver::D2xx;
#endif

// The driver the options or the environment ask for; nullopt with a message
// for a name this build does not know.
std::optional<Driver> ChooseDriver(const BackendOptions& options, std::string& error) {
  if (options.driver) {
    return options.driver;
  }
  const char* named = std::getenv("NIMBO_DRIVER");
  if (named == nullptr || *named == '\0') {
    return kSystemDriver;
  }
  const std::string_view name = named;
  if (name == "d2xx") {
    return Driver::D2xx;
  }
  if (name == "libftdi" && kSystemDriver == Driver::LibFtdi) {
    return Driver::LibFtdi;
  }
  error = "NIMBO_DRIVER is '" + std::string(name) + "'; this build knows " +
          (kSystemDriver == Driver::LibFtdi ? "libftdi and d2xx" : "only d2xx");
  return std::nullopt;
}

std::unique_ptr<Backend> MakeHardwareBackend(const BackendOptions& options, std::string& error) {
  const std::optional<Driver> driver = ChooseDriver(options, error);
  if (!driver) {
    return nullptr;
  }
  std::unique_ptr<D2xx> transport;
#ifdef NIMBO_HAVE_LIBFTDI
  if (*driver == Driver::LibFtdi) {
    transport = std::make_unique<ftdi::LibFtdiTransport>();
  }
#endif
  if (*driver == Driver::D2xx) {
    transport = D2xxDriver::Load(options.d2xxLibrary, error);
  }
  if (!transport) {
    if (error.empty()) {
      error = "this build has no libftdi1 driver";  // asked for on Windows
    }
    return nullptr;
  }
  return std::make_unique<HardwareBackend>(std::move(transport), options.trace);
}

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
    return MakeHardwareBackend(options, error);
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

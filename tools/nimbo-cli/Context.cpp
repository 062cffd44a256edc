#include "Context.h"

#include <ostream>

namespace nimbo::cli {
namespace {

// What a failed open usually means, in the words the start-up window uses.
std::string OpenFailureHint(std::int32_t status, const backend::BackendOptions& options) {
  switch (status) {
    case static_cast<std::int32_t>(ft::kDeviceNotFound):
      return "USB Interface Not Found!";
    case static_cast<std::int32_t>(ft::kDeviceNotOpened):
      if (options.simulate && options.stateFile) {
        return "another program holds the simulated device " + *options.stateFile;
      }
      return "the USB interface could not be opened (busy, or no access rights: see "
             "docs/hardware-access.md)";
    default:
      return "the USB interface could not be set up";
  }
}

}  // namespace

Context::Context(std::ostream& out, std::ostream& err, bool outIsTerminal)
    : out_(out), err_(err), outIsTerminal_(outIsTerminal) {
  options_.realTime = false;  // a terminal user wants the answer now
}

Context::Context(std::ostream& out, std::ostream& err, NIMBOmodule& module,
                 sim::SimulatedDevice* device)
    : out_(out), err_(err), outIsTerminal_(false), module_(&module), device_(device) {
  options_.simulate = device != nullptr;
}

Context::~Context() {
  CloseLink();
}

int Context::Fail(std::string_view text, int status) {
  err_ << "nimbo-cli: ";
  if (!command_.empty()) {
    err_ << command_ << ": ";
  }
  err_ << text << '\n';
  return status;
}

bool Context::BuildLink() {
  if (module_ != nullptr) {
    return true;
  }
  if (linkFailed_) {
    return false;
  }
  std::string error;
  backend_ = backend::MakeBackend(options_, error);
  if (!backend_) {
    linkFailed_ = true;
    Fail(error);
    return false;
  }
  const bool realPauses = !options_.simulate || options_.realTime;
  ui_ = std::make_unique<ConsoleUserInterface>(err_, realPauses);
  ownModule_ = std::make_unique<NIMBOmodule>(backend_->Transport(), *ui_);
  ownModule_->SizeSharedArrays();
  module_ = ownModule_.get();
  device_ = backend_->Device();
  return true;
}

NIMBOmodule* Context::Module() {
  return BuildLink() ? module_ : nullptr;
}

NIMBOmodule* Context::OpenModule() {
  NIMBOmodule* module = Module();
  if (module == nullptr) {
    return nullptr;
  }
  if (module->LinkHandle != 0) {
    return module;
  }
  module->OpenLink();
  if (module->LinkHandle != 0 && module->LinkStatus == 0) {
    return module;
  }
  Fail("OpenLink failed (LinkStatus " + std::to_string(module->LinkStatus) +
       "): " + OpenFailureHint(module->LinkStatus, options_));
  return nullptr;
}

int Context::LinkFailure(std::string_view step, std::string_view prefix) {
  const std::int32_t status = module_ != nullptr ? module_->LinkStatus : 0;
  return Fail(std::string(prefix) + std::string(step) + " failed (LinkStatus " +
              std::to_string(status) + ")");
}

sim::SimulatedDevice* Context::Device() {
  if (!options_.simulate) {
    Fail("sim commands need --simulate", kUsageError);
    return nullptr;
  }
  return BuildLink() ? device_ : nullptr;
}

void Context::Select(std::string path, std::function<int()> action) {
  command_ = std::move(path);
  action_ = std::move(action);
}

int Context::RunSelected() {
  if (!action_) {
    return Fail("no command given", kUsageError);
  }
  return action_();
}

void Context::CloseLink() {
  if (ownModule_ && ownModule_->LinkHandle != 0) {
    module_->CloseLink();
  }
}

}  // namespace nimbo::cli

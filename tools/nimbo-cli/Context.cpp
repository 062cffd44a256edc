#include "Context.h"

#include <filesystem>
#include <ostream>
#include <system_error>
#include <utility>

#include "ShownText.h"
#include "StopSignals.h"
#include "link/Frames.h"
#include "link/platform/UserFolders.h"

namespace nimbo::cli {
namespace {

// Windows reaches the interface through the vendor's D2XX driver, which
// needs no access rule; Linux through libusb, which does.
#ifdef _WIN32
constexpr bool kNeedsAccessRule = false;
#else
constexpr bool kNeedsAccessRule = true;
#endif

// The guide to the USB access rule: installed with the program, else in the
// sources it was built from.
std::string AccessGuide() {
  const std::string program = platform::ProgramFile();
  if (!program.empty()) {
    const std::filesystem::path installed =
        std::filesystem::path(program).parent_path() / NIMBO_ACCESS_GUIDE_FROM_BIN;
    if (std::error_code error; std::filesystem::is_regular_file(installed, error)) {
      return installed.lexically_normal().string();
    }
  }
  return "docs/hardware-access.md in the NIMBO Control sources";
}

// What a failed open usually means, in the words the start-up window uses,
// and what to do about it.
std::string OpenFailureHint(std::int32_t status, const backend::BackendOptions& options) {
  switch (status) {
    case static_cast<std::int32_t>(ft::kDeviceNotFound): {
      const std::string needed =
          kNeedsAccessRule
              ? "on Linux the USB access rule must be installed (see " + AccessGuide() + ")"
              : "the FTDI D2XX driver must be installed for it (Windows installs "
                "it with the FTDI driver)";
      return "USB Interface Not Found! Check that the device's USB cable is plugged in; " + needed +
             "; to try the program without a device, add --simulate";
    }
    case static_cast<std::int32_t>(ft::kDeviceNotOpened):
      if (options.simulate && options.stateFile) {
        return "another program holds the simulated device " + ShownName(*options.stateFile);
      }
      if (!kNeedsAccessRule) {
        return "the USB interface could not be opened (another program holds it)";
      }
      return "the USB interface could not be opened (busy, or no access rights: see " +
             AccessGuide() + ")";
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
  // Whatever the text quotes from outside, it stays one line.
  err_ << EscapeControls(text) << '\n';
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

int Context::LinkFailure(std::string_view step, std::string_view prefix, std::string_view suffix) {
  return Fail(std::string(prefix) + LinkFailureText(step) + std::string(suffix));
}

std::string Context::LinkFailureText(std::string_view step) const {
  const std::string cause = CauseAndStatus();
  return std::string(step) + " failed" + (cause.starts_with('(') ? " " : ": ") + cause;
}

std::string Context::CauseAndStatus() const {
  const std::int32_t status = module_ != nullptr ? module_->LinkStatus : 0;
  const std::string cause = LinkCauseText();
  return (cause.empty() ? "" : cause + " ") + "(LinkStatus " + std::to_string(status) + ")";
}

std::string Context::LinkCauseText() const {
  if (module_ == nullptr) {
    return {};
  }
  switch (module_->FailureCause) {
    case LinkCause::None:
      return {};
    case LinkCause::NoReply:
      if (module_->RxTotal > 0) {
        return "the reply broke off after " + std::to_string(module_->RxTotal) + " of " +
               std::to_string(module_->RxCount) + " bytes (read time-out)";
      }
      return "no reply within the read time-out";
    case LinkCause::WrongEcho:
      return "the reply did not begin with the command's letters: wrong echo (or a late reply)";
    case LinkCause::LateReply:
      return "a late reply: the answer to an earlier \"" + EscapeControls(module_->ReplyEcho) +
             "\" came instead";
    case LinkCause::WrongChecksum:
      return "checksum mismatch in the reply";
    case LinkCause::Refused:
      return "the device refused it (acknowledge not 0x01)";
    case LinkCause::DataMismatch:
      return "the block read back differs from the block written";
    case LinkCause::DeviceGone:
      return "the USB interface reported an I/O error: the device is gone (unplugged?)";
    case LinkCause::InterfaceError:
      return "the USB interface refused the call";
    case LinkCause::BadRequest:
      return "an address or count out of range";
  }
  return {};
}

std::string Context::InfoFailureText(NIMBOmodule& module) {
  if (module.LinkStatus == 0) {
    return module.FailureCause == LinkCause::None ? std::string() : CauseAndStatus();
  }
  if (module.FailureCause != LinkCause::NoReply || module.RxTotal > 0) {
    return CauseAndStatus();
  }
  // Silence is how the normal firmware answers "IF"; an answer that comes
  // after the read time-out is not silence.
  const std::int32_t status = module.LinkStatus;
  module.RxCount = frames::kInfoReplyLength;
  module.ReadReply();
  const bool late = module.RxTotal > 0;
  module.LinkStatus = status;
  module.FailureCause = LinkCause::NoReply;
  module.RxTotal = 0;
  if (!late) {
    return {};
  }
  return "no reply within the read time-out; the answer came after it (a late reply) (LinkStatus " +
         std::to_string(status) + ")";
}

std::string Context::UpdateModeHint() const {
  std::string hint = "the device answers \"IF\" only in update mode";
  if (!options_.simulate) {
    return hint + " (restart it in update mode)";
  }
  return hint + "; put the simulated device into it with: nimbo-cli --simulate" +
         (options_.stateFile ? "=" + ShownName(*options_.stateFile) : std::string()) +
         " sim mode update";
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

void Context::EndAfterCommand(int signal, std::string what) {
  if (stopSignal_ == 0) {
    stopSignal_ = signal;
    stoppedWrite_ = std::move(what);
  }
}

void Context::WroteDevice(std::string what) {
  deviceWrite_ = std::move(what);
}

int Context::PrintedStatus(int status) {
  out_.flush();
  if (out_ || status != kSuccess) {
    return status;
  }
  return Fail("the result could not be printed (standard output could not be written)" +
              (deviceWrite_.empty() ? std::string() : "; " + deviceWrite_ + " itself completed"));
}

int Context::FinalStatus(int status) {
  if (stopSignal_ == 0) {
    return status;
  }
  const int signal = std::exchange(stopSignal_, 0);
  Fail(std::string("ending on ") + StopRequestName(signal) + "; " + stoppedWrite_ +
       (status == kSuccess ? " completed" : " did not complete"));
  // As a shell reports a program the signal ended, so that a calling script stops too.
  return 128 + signal;
}

}  // namespace nimbo::cli

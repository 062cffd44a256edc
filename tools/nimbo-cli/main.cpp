// nimbo-cli: the device operations from a terminal, for scripts, tests and
// trying the program without a window.
#include <iostream>
#include <string>
#include <vector>

#include "Commands.h"
#include "ConsoleUserInterface.h"
#include "SimCommand.h"
#include "link/backend/Backend.h"

namespace {

constexpr int kUsageError = 2;

constexpr const char* kUsage =
    "usage: nimbo-cli [OPTIONS] COMMAND [ARGS...]\n"
    "\n"
    "options:\n"
    "  --simulate[=STATE]  talk to the simulated device instead of the USB interface;\n"
    "                      with STATE, keep the device in that file between runs\n"
    "  --real-time         the simulated device answers in real time, not at once\n"
    "  --trace             write every frame and reply as hex to the error stream\n"
    "  --help              show this text\n"
    "\n"
    "commands:\n"
    "  info                     firmware version and model (device in update mode)\n"
    "  settings read|write HEX|show|defaults\n"
    "  matrix get|set TEXT\n"
    "  sim mode [normal|update] show or change the simulated device's mode\n"
    "  sim version [MAJ.MIN]    show or change the simulated firmware version\n"
    "  sim factory              put the simulated device back to its factory contents\n";

struct Invocation {
  nimbo::backend::BackendOptions backend;
  bool trace = false;
  bool help = false;
  std::vector<std::string> command;  // the command word and its arguments
};

// Reads the options up to the command word; false on an unknown option.
bool ParseArguments(int argc, char** argv, Invocation& invocation) {
  invocation.backend.realTime = false;  // a terminal user wants the answer now
  int index = 1;
  for (; index < argc; ++index) {
    const std::string arg = argv[index];
    if (arg.empty() || arg[0] != '-') {
      break;
    }
    if (nimbo::backend::ParseSimulateOption(arg, invocation.backend)) {
      continue;
    }
    if (arg == "--trace") {
      invocation.trace = true;
    } else if (arg == "--real-time") {
      invocation.backend.realTime = true;
    } else if (arg == "--help" || arg == "-h") {
      invocation.help = true;
    } else {
      std::cerr << "unknown option: " << arg << '\n';
      return false;
    }
  }
  invocation.command.assign(argv + index, argv + argc);
  return true;
}

int Dispatch(nimbo::cli::Context& context, nimbo::backend::Backend& backend,
             const std::vector<std::string>& command) {
  const std::string& word = command[0];
  const std::span<const std::string> args = std::span(command).subspan(1);
  if (word == "info") {
    return nimbo::cli::RunInfoCommand(context, args);
  }
  if (word == "settings") {
    return nimbo::cli::RunSettingsCommand(context, args);
  }
  if (word == "matrix") {
    return nimbo::cli::RunMatrixCommand(context, args);
  }
  if (word == "sim") {
    return nimbo::cli::RunSimCommand(context, backend.Device(), args);
  }
  context.err << "unknown command: " << word << '\n';
  return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
  Invocation invocation;
  if (!ParseArguments(argc, argv, invocation)) {
    std::cerr << kUsage;
    return kUsageError;
  }
  if (invocation.help) {
    std::cout << kUsage;
    return 0;
  }
  if (invocation.command.empty()) {
    std::cerr << kUsage;
    return kUsageError;
  }
  if (invocation.trace) {
    invocation.backend.trace = &std::cerr;
  }

  std::string error;
  const std::unique_ptr<nimbo::backend::Backend> backend =
      nimbo::backend::MakeBackend(invocation.backend, error);
  if (!backend) {
    std::cerr << error << '\n';
    return 1;
  }
  const bool realPauses = !invocation.backend.simulate || invocation.backend.realTime;
  nimbo::cli::ConsoleUserInterface ui(std::cerr, realPauses);
  nimbo::NIMBOmodule module(backend->Transport(), ui);
  module.SizeSharedArrays();
  nimbo::cli::Context context{module, std::cout, std::cerr};

  int status = Dispatch(context, *backend, invocation.command);
  module.CloseLink();
  if (!backend->SaveState(error)) {
    std::cerr << "could not save the simulated device: " << error << '\n';
    status = status == 0 ? 1 : status;
  }
  std::cout.flush();
  return status;
}

// "info": the firmware version and model the device reports.
#include <CLI/CLI.hpp>
#include <cctype>
#include <ostream>

#include "Commands.h"

namespace nimbo::cli {
namespace {

std::string ModelText(std::uint8_t model) {
  if (std::isprint(model) != 0) {
    return std::string(1, static_cast<char>(model));
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  return std::string("0x") + kHex[model >> 4] + kHex[model & 0x0F];
}

int Info(Context& context) {
  NIMBOmodule* module = context.OpenModule();
  if (module == nullptr) {
    return kFailure;
  }
  module->ReadDeviceInfo();
  if (const std::string failure = context.InfoFailureText(*module); !failure.empty()) {
    return context.Fail("ReadDeviceInfo failed: " + failure);
  }
  if (module->LinkStatus != 0) {
    return context.Fail("ReadDeviceInfo failed (LinkStatus " + std::to_string(module->LinkStatus) +
                        "): " + context.UpdateModeHint());
  }
  context.Out() << "Firmware version: " << static_cast<int>(module->FirmwareMajor) << '.'
                << static_cast<int>(module->FirmwareMinor) << '\n'
                << "Model: " << ModelText(module->DeviceModel) << '\n';
  return kSuccess;
}

}  // namespace

void AddInfoCommand(CLI::App& app, Context& context) {
  CLI::App* info = app.add_subcommand(
      "info", "Firmware version and model (the device answers only in update mode)");
  SetAction(*info, context, "info", [&context] { return Info(context); });
}

}  // namespace nimbo::cli

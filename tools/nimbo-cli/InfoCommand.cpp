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
  // A reply with another echo leaves LinkStatus 0 and the version untouched,
  // so the echo itself tells whether the device answered.
  module->ReplyEcho.clear();
  module->ReadDeviceInfo();
  if (module->LinkStatus != 0) {
    // Silence, not a broken reply: the device does not know the command.
    if (module->RxTimedOut == kTrue && module->RxTotal == 0) {
      return context.Fail("ReadDeviceInfo failed (LinkStatus " +
                          std::to_string(module->LinkStatus) + "): " + context.UpdateModeHint());
    }
    return context.LinkFailure("ReadDeviceInfo");
  }
  if (module->ReplyEcho != "IF") {
    return context.Fail("ReadDeviceInfo failed: the device did not answer \"IF\"");
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

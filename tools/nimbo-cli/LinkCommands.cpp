// Opening the link for a command, reporting its failures, and "info".
#include <cctype>
#include <ostream>

#include "Commands.h"

namespace nimbo::cli {
namespace {

// What a failed open usually means, in the words the start-up window uses.
const char* OpenFailureHint(std::int32_t status) {
  switch (status) {
    case static_cast<std::int32_t>(ft::kDeviceNotFound):
      return "USB Interface Not Found!";
    case static_cast<std::int32_t>(ft::kDeviceNotOpened):
      return "the USB interface could not be opened (busy, or no access rights)";
    default:
      return "the USB interface could not be set up";
  }
}

}  // namespace

bool EnsureLink(Context& context) {
  NIMBOmodule& module = context.module;
  if (module.LinkHandle != 0) {
    return true;
  }
  module.OpenLink();
  if (module.LinkHandle != 0 && module.LinkStatus == 0) {
    return true;
  }
  context.err << "OpenLink failed (LinkStatus " << module.LinkStatus
              << "): " << OpenFailureHint(module.LinkStatus) << '\n';
  return false;
}

int ReportLinkFailure(Context& context, const std::string& step) {
  context.err << step << " failed (LinkStatus " << context.module.LinkStatus << ")\n";
  return 1;
}

int RunInfoCommand(Context& context, std::span<const std::string> args) {
  if (!args.empty()) {
    context.err << "info takes no arguments\n";
    return 2;
  }
  if (!EnsureLink(context)) {
    return 1;
  }
  NIMBOmodule& module = context.module;
  // A reply with another echo leaves LinkStatus 0 and the version untouched,
  // so the echo itself tells whether the device answered.
  module.ReplyEcho.clear();
  module.ReadDeviceInfo();
  if (module.LinkStatus != 0) {
    return ReportLinkFailure(context, "ReadDeviceInfo");
  }
  if (module.ReplyEcho != "IF") {
    context.err << "ReadDeviceInfo failed: the device did not answer \"IF\"\n";
    return 1;
  }
  context.out << "Firmware version: " << static_cast<int>(module.FirmwareMajor) << '.'
              << static_cast<int>(module.FirmwareMinor) << '\n';
  const unsigned char model = module.DeviceModel;
  context.out << "Model: ";
  if (std::isprint(model) != 0) {
    context.out << static_cast<char>(model) << '\n';
  } else {
    static constexpr char kHex[] = "0123456789ABCDEF";
    context.out << "0x" << kHex[model >> 4] << kHex[model & 0x0F] << '\n';
  }
  return 0;
}

}  // namespace nimbo::cli

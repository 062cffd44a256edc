// "fwu-info FILE": what a firmware update file holds, without a device.
#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Commands.h"
#include "FirmwareFileCheck.h"

namespace nimbo::cli {
namespace {

int FwuInfo(Context& context, const std::string& path) {
  std::ostream& out = context.Out();
  const FirmwareFileReport report = ExamineFirmwareFile(path);
  out << "Size read: " << report.read.bytes.size() << " of " << flasher::kFirmwareFileSize
      << " bytes\n";
  if (!report.image.empty()) {
    const flasher::FirmwareHeader& header = report.header;
    out << "Signature: " << (header.signature ? "FW" : "missing") << '\n';
    if (header.signature) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      const std::uint8_t version = report.image[flasher::kVersionByte];
      out << "Version: " << flasher::VersionText(header.major, header.minor) << " (version byte 0x"
          << kHex[version >> 4] << kHex[version & 0x0F] << ")\n";
    }
    out << "Byte 4: " << static_cast<int>(report.image[flasher::kReservedByte]) << '\n'
        << "Header check: " << (header.Known() ? "passes" : "fails") << '\n';
  }
  if (!report.problem.empty()) {
    return context.Fail("the flasher refuses this file: " + report.problem);
  }
  return kSuccess;
}

}  // namespace

void AddFwuInfoCommand(CLI::App& app, Context& context) {
  CLI::App* info =
      app.add_subcommand("fwu-info", "Show a firmware update file's header; no device needed");
  auto file = std::make_shared<std::string>();
  info->add_option("FILE", *file, "Firmware update file (.fwu)")->required();
  SetAction(*info, context, "fwu-info", [&context, file] { return FwuInfo(context, *file); });
}

}  // namespace nimbo::cli

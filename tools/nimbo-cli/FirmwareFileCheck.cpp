#include "FirmwareFileCheck.h"

namespace nimbo::cli {

FirmwareFileReport ExamineFirmwareFile(const std::string& path) {
  FirmwareFileReport report;
  report.read = flasher::ReadFirmwareFile(path);
  if (!report.read.Ok()) {
    report.problem = flasher::DescribeFileProblem(report.read.problem);
    if (!report.read.reason.empty()) {
      report.problem += ": " + report.read.reason;
    }
    return report;
  }
  report.image.resize(flasher::kFirmwareImageSize);
  flasher::DecodeFirmwareBytes(report.read.bytes, report.image);
  report.header = flasher::ReadFirmwareHeader(report.image);
  if (!flasher::HasFirmwareExtension(path)) {
    report.problem = "its name does not end in \"fwu\"";
  } else if (!report.header.signature) {
    report.problem = "unknown firmware (no \"FW\" signature)";
  } else if (!report.header.reservedZero) {
    report.problem = "unknown firmware (header byte 4 is not 0)";
  }
  return report;
}

}  // namespace nimbo::cli

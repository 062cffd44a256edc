// The flasher's checks on a firmware update file, with the reason for a
// refusal in words, for the commands that take such a file: flash and verify
// refuse it before they touch the device, fwu-info shows what it holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "flasher/FirmwareCodec.h"
#include "flasher/FirmwareFile.h"

namespace nimbo::cli {

struct FirmwareFileReport {
  flasher::FirmwareFileRead read;
  std::vector<std::uint8_t> image;  // decoded; empty unless the whole file was read
  flasher::FirmwareHeader header;
  // Why the flasher refuses the file ("shorter than 131104 bytes", "cannot
  // be opened: Permission denied"); empty when it takes it.
  std::string problem;
};

FirmwareFileReport ExamineFirmwareFile(const std::string& path);

}  // namespace nimbo::cli

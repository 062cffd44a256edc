#include "flasher/LoadFirmware.h"

#include <algorithm>

#include "flasher/FirmwareCodec.h"
#include "flasher/FirmwareFile.h"

namespace nimbo::flasher {

void SizeFlasherArrays(NIMBOmodule& module) {
  module.SizeSharedArrays();
  module.RawFirmware.assign(kFirmwareFileSize, 0);
  module.BlockIn.fill(0);
  module.BlockOut.fill(0);
}

void ReadFirmwareInto(NIMBOmodule& module, const std::string& path) {
  module.FirmwareLoaded = kFalse;
  FirmwareFileRead read = ReadFirmwareFile(path);
  if (!read.Ok()) {
    return;
  }
  module.RawFirmware = std::move(read.bytes);
  module.FirmwareLoaded = kTrue;
}

void LoadDefaultFirmwareFile(NIMBOmodule& module, FirmwareFileChooser& chooser) {
  module.FirmwareLoaded = kFalse;
  chooser.PrepareStartFolder();
  ReadFirmwareInto(module, kDefaultFirmwareFile);
}

void LoadCustomFirmwareFile(NIMBOmodule& module, FirmwareFileChooser& chooser) {
  module.FirmwareLoaded = kFalse;
  const std::optional<std::string> chosen = chooser.ChooseFirmwareFile();
  if (!chosen || chosen->empty() || !HasFirmwareExtension(*chosen)) {
    return;  // cancelled, or not a firmware file by its name
  }
  ReadFirmwareInto(module, *chosen);
}

bool DecodeFirmware(NIMBOmodule& module) {
  if (module.RawFirmware.size() < kFirmwareFileSize) {
    return false;
  }
  module.MemoryImage.assign(kFirmwareImageSize, 0);
  DecodeFirmwareBytes(module.RawFirmware, module.MemoryImage);
  return true;
}

void LoadFirmware(NIMBOmodule& module, FirmwareSource source, FirmwareFileChooser& chooser) {
  module.FirmwareKnown = kFalse;
  if (source == FirmwareSource::Custom) {
    LoadCustomFirmwareFile(module, chooser);
  } else {
    LoadDefaultFirmwareFile(module, chooser);
  }
  if (module.FirmwareLoaded != kTrue || !DecodeFirmware(module)) {
    return;
  }
  const FirmwareHeader header = ReadFirmwareHeader(module.MemoryImage);
  if (!header.signature) {
    return;
  }
  module.NewFirmwareMajor = header.major;
  module.NewFirmwareMinor = header.minor;
  if (!header.reservedZero) {
    return;
  }
  module.FirmwareKnown = kTrue;
}

}  // namespace nimbo::flasher

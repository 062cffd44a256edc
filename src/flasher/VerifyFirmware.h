// Checking a device against a firmware image without writing to it: the
// program area is read back and compared with what a flash of the image
// would have left there.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "flasher/FirmwareUpdate.h"
#include "link/NimboModule.h"

namespace nimbo::flasher {

enum class VerifyResult {
  Equal,       // every compared block holds the image's bytes
  Differs,     // at least one block holds other bytes
  ReadFailed,  // a block could not be read in ten tries
};

struct VerifyOutcome {
  VerifyResult result = VerifyResult::Equal;
  int blocksCompared = 0;
  int blocksDiffering = 0;
  // Differs: the first differing block, with its first differing byte.
  // ReadFailed: the block that could not be read (no byte); the module's
  // FailureCause says why.
  int block = 0;
  std::int32_t address = 0;
  std::optional<FlashFailure::Difference> difference;
};

// Reads the 450 program blocks with "RM" and compares them with the program
// bytes of `image` (a decoded firmware image). The blocks of the LED text
// that a flash keeps (0x2000..0x217F) are neither read nor compared, unless
// `matrixReset` is Yes: then a flash leaves the whole image. A block whose
// checksum does not match its bytes is read again, up to ten tries. Shows
// "Verifying...N%" as it goes; sends nothing that writes.
VerifyOutcome VerifyFirmware(NIMBOmodule& module, std::span<const std::uint8_t> image,
                             MatrixStringReset matrixReset);

}  // namespace nimbo::flasher

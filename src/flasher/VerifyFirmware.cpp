#include "flasher/VerifyFirmware.h"

#include <algorithm>
#include <string>

#include "flasher/FirmwareCodec.h"
#include "link/CheckedRead.h"

namespace nimbo::flasher {

namespace {

constexpr int kBlocks = static_cast<int>(kProgramBlocks);
constexpr int kTriesPerBlock = 10;

bool InKeptText(std::int32_t address) {
  return address >= kKeptTextFirstAddress && address < kKeptTextEndAddress;
}

// The first byte in which `read` differs from `expected`.
std::optional<FlashFailure::Difference> FirstDifference(std::span<const std::uint8_t> expected,
                                                        std::span<const std::uint8_t> read) {
  const auto [e, r] = std::mismatch(expected.begin(), expected.end(), read.begin());
  if (e == expected.end()) {
    return std::nullopt;
  }
  return FlashFailure::Difference{static_cast<int>(e - expected.begin()), *e, *r};
}

}  // namespace

VerifyOutcome VerifyFirmware(NIMBOmodule& module, std::span<const std::uint8_t> image,
                             MatrixStringReset matrixReset) {
  VerifyOutcome outcome;
  if (image.size() < kProgramEnd) {
    // Not a whole image: nothing to compare with.
    outcome.result = VerifyResult::ReadFailed;
    module.LinkStatus = kLinkReadFailure;
    module.FailureCause = LinkCause::BadRequest;
    return outcome;
  }
  // Each block is read to where the image holds it, so that MemoryImage
  // ends up with the device's program area at the image's indices.
  if (module.MemoryImage.size() < kProgramEnd) {
    module.MemoryImage.resize(kProgramEnd);
  }
  for (int block = 0; block < kBlocks; ++block) {
    module.Ui().SetStatusText("Verifying..." + std::to_string((block + 1) * 100 / kBlocks) + "%");
    module.Ui().SetProgress(block, kBlocks - 1);
    module.Ui().ProcessEvents();
    const std::int32_t address = kProgramFirstAddress + block * kBlockAddressStep;
    if (matrixReset != MatrixStringReset::Yes && InKeptText(address)) {
      continue;
    }
    const std::size_t offset = kProgramOffset + static_cast<std::size_t>(block) * kBlockSize;
    int tries = 0;
    do {
      module.BlockAddress = address;
      module.BlockOffset = static_cast<std::int32_t>(offset);
      ReadCheckedMemoryBlock(module);
    } while (module.LinkStatus != 0 && ++tries < kTriesPerBlock);
    if (module.LinkStatus != 0) {
      outcome.result = VerifyResult::ReadFailed;
      outcome.block = block;
      outcome.address = address;
      outcome.difference.reset();
      return outcome;
    }
    ++outcome.blocksCompared;
    const auto difference = FirstDifference(
        image.subspan(offset, kBlockSize),
        std::span<const std::uint8_t>(module.MemoryImage).subspan(offset, kBlockSize));
    if (difference && outcome.blocksDiffering++ == 0) {
      outcome.result = VerifyResult::Differs;
      outcome.block = block;
      outcome.address = address;
      outcome.difference = difference;
    }
  }
  return outcome;
}

}  // namespace nimbo::flasher

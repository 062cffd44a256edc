#include "link/CheckedRead.h"

#include <cstdint>
#include <span>

#include "link/Frames.h"

namespace nimbo {

void ReadCheckedMemoryBlock(NIMBOmodule& module) {
  module.ReadMemoryBlock();
  if (module.LinkStatus != 0) {
    return;
  }
  // Checked again: an operation started from a window event while the reply
  // was awaited may have moved BlockOffset or replaced MemoryImage.
  const auto address = frames::SplitAddress(module.BlockAddress);
  const std::int64_t end = static_cast<std::int64_t>(module.BlockOffset) + kBlockSize;
  if (!address || module.BlockOffset < 0 ||
      end > static_cast<std::int64_t>(module.MemoryImage.size())) {
    module.LinkStatus = kLinkReadFailure;
    module.FailureCause = LinkCause::BadRequest;
    return;
  }
  const std::span<const std::uint8_t> block(
      module.MemoryImage.data() + static_cast<std::size_t>(module.BlockOffset), kBlockSize);
  if (frames::Checksum(*address, block) != module.BlockChecksum) {
    module.LinkStatus = kLinkReadFailure;
    module.FailureCause = LinkCause::WrongChecksum;
  }
}

}  // namespace nimbo

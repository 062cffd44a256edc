#include "ledmatrix/MatrixTransfer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "ledmatrix/MatrixString.h"
#include "link/CheckedRead.h"

namespace nimbo::ledmatrix {

namespace {

constexpr int kBlocks = 24;
constexpr std::int32_t kFirstAddress = 0x2000;
constexpr std::int32_t kAddressStep = 32;  // device addresses count 2-byte units
constexpr std::int32_t kOffsetStep = static_cast<std::int32_t>(kBlockSize);
constexpr int kAttemptsPerBlock = 10;  // shared by the write and the verify of a block
constexpr std::size_t kTransferBytes = kBlocks * kBlockSize;  // MemoryImage 0..1535

constexpr const char* kWriteFailureText = "Device write error! Data is corrupted!  Re-try update!";
constexpr const char* kWriteFailureTitle = "Write Failure!";
constexpr const char* kVerifyFailureText =
    "Device verify error!  Data is corrupted!  Re-try update!";
constexpr const char* kVerifyFailureTitle = "Verify Failure!";

// Callers normally size MemoryImage first; a missing array is sized rather
// than read or written out of bounds.
void EnsureTransferRoom(NIMBOmodule& module) {
  if (module.MemoryImage.size() < kTransferBytes) {
    module.SizeSharedArrays();
  }
}

void StartAtFirstBlock(NIMBOmodule& module) {
  module.BlockAddress = kFirstAddress;
  module.BlockOffset = 0;
}

void AdvanceBlock(NIMBOmodule& module) {
  module.BlockOffset += kOffsetStep;
  module.BlockAddress += kAddressStep;
}

// Whether MemoryImage holds the block at BlockOffset. Only an operation started
// from a window event during a transfer can move BlockOffset or replace
// MemoryImage so that it does not.
bool BlockInImage(const NIMBOmodule& module) {
  const std::int64_t end = static_cast<std::int64_t>(module.BlockOffset) + kOffsetStep;
  return module.BlockOffset >= 0 && end <= static_cast<std::int64_t>(module.MemoryImage.size());
}

// Reads one block, retrying; false once the budget is spent.
bool ReadBlock(NIMBOmodule& module) {
  int budget = kAttemptsPerBlock;
  module.Ui().ProcessEvents();
  for (;;) {
    // A block damaged on the way is read again, so that a damaged string is
    // never taken for the device's. The device answers this read exactly as
    // the read-back after a write, where the same checksum must match, so a
    // working device always passes.
    ReadCheckedMemoryBlock(module);
    if (module.LinkStatus == 0) {
      return true;
    }
    module.Ui().ProcessEvents();
    if (--budget == 0) {
      return false;
    }
  }
}

// False when the block lies outside MemoryImage.
bool CopyBlockOut(NIMBOmodule& module) {
  EnsureTransferRoom(module);  // events run before the block may have replaced MemoryImage
  if (!BlockInImage(module)) {
    return false;
  }
  std::copy_n(module.MemoryImage.begin() + module.BlockOffset, kBlockSize, module.BlockOut.begin());
  return true;
}

// Writes and verifies one block; shows the failure message and returns false
// once the shared budget is spent.
bool StoreBlock(NIMBOmodule& module) {
  int budget = kAttemptsPerBlock;
  module.Ui().ProcessEvents();
  for (;;) {
    if (CopyBlockOut(module)) {
      module.WriteMemoryBlock();
    } else {
      module.LinkStatus = kLinkReadFailure;  // counts as a failed attempt
      module.FailureCause = LinkCause::BadRequest;
    }
    if (module.LinkStatus == 0) {
      break;
    }
    if (--budget == 0) {
      module.Ui().ShowMessage(kWriteFailureText, kWriteFailureTitle, MessageIcon::None);
      return false;
    }
  }
  for (;;) {
    // A failed verify reads the block again without writing it again.
    module.VerifyMemoryBlock();
    if (module.LinkStatus == 0) {
      return true;
    }
    if (--budget == 0) {
      module.Ui().ShowMessage(kVerifyFailureText, kVerifyFailureTitle, MessageIcon::None);
      return false;
    }
  }
}

}  // namespace

void GetMatrixStringButton_Click(NIMBOmodule& module) {
  module.DeviceFound = kFalse;
  EnsureTransferRoom(module);
  StartAtFirstBlock(module);
  for (int block = 0; block < kBlocks; ++block) {
    if (!ReadBlock(module)) {
      return;  // MatrixString keeps its old value; the blocks read so far stay
    }
    AdvanceBlock(module);
  }
  module.MatrixString = DecodeMatrixString(module);
  module.DeviceFound = kTrue;
}

void StoreMatrixStringButton_Click(NIMBOmodule& module) {
  EnsureTransferRoom(module);
  StartAtFirstBlock(module);
  for (int block = 0; block < kBlocks; ++block) {
    if (!StoreBlock(module)) {
      return;
    }
    AdvanceBlock(module);
  }
}

}  // namespace nimbo::ledmatrix

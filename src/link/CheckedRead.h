// A memory block read that also checks what arrived against the checksum the
// device sent with it, for the callers that take the bytes as the device's:
// a block damaged on the way must be read again, never believed.
#pragma once

#include "link/NimboModule.h"

namespace nimbo {

// ReadMemoryBlock, then the device's checksum compared with the bytes that
// arrived at MemoryImage[BlockOffset]; a mismatch fails with LinkStatus 8
// and LinkCause::WrongChecksum. One attempt: retries are the caller's.
void ReadCheckedMemoryBlock(NIMBOmodule& module);

}  // namespace nimbo

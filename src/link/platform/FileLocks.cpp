// The slots a File holds: each is locked once by the system, however often
// it is asked for, and given back only when held.
#include "link/platform/File.h"

namespace nimbo::platform {

bool File::TryLock(int slot) {
  if ((heldSlots_ >> slot & 1) == 0 && !SetSlotLock(slot, true, false)) {
    return false;
  }
  heldSlots_ |= std::uint64_t{1} << slot;
  return true;
}

void File::Lock(int slot) {
  if ((heldSlots_ >> slot & 1) == 0 && SetSlotLock(slot, true, true)) {
    heldSlots_ |= std::uint64_t{1} << slot;
  }
}

void File::Unlock(int slot) {
  if ((heldSlots_ >> slot & 1) != 0) {
    SetSlotLock(slot, false, false);
    heldSlots_ &= ~(std::uint64_t{1} << slot);
  }
}

}  // namespace nimbo::platform

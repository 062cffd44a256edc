// Keeps a simulated device in a state file that every program naming the
// file shares, as one device: its memory, settings EEPROM, firmware version,
// model character, mode and fault rules.
//
// The file is mapped into each program's memory and changed in place, so a
// write the device acknowledges is in the file before the acknowledgement
// leaves the device, and a program killed right after it loses nothing.
// Locks on the file (released with the process) let one program at a time
// open the device's link, and keep each exchange whole for the others.
//
// Layout, format 2 (little-endian): the 8-byte magic "NIMBOSIM", the format
// number (u32), version, model, mode (0 normal, 1 update) and a zero byte, the
// memory, EEPROM and fault area sizes (u32 each), four zero bytes; then the
// memory, the EEPROM and the fault area (a rule count, u32, and one 48-byte
// record per rule). Format 1 kept the same header without the fault area
// size, no fault area, and a CRC-32 at the end; such a file is converted to
// format 2 when it is first opened (its mode, owner and group are kept).
#pragma once

#include <memory>
#include <string>

#include "link/sim/DeviceStore.h"

namespace nimbo::sim {

// Opens the state file at `path`, creating it with the factory contents when
// it does not exist. A symbolic link is followed and its target used in
// place. Returns nullptr with a message naming `path` and the reason in
// `error` when the file cannot be used; nothing is changed then.
std::unique_ptr<DeviceStore> OpenStateFile(const std::string& path, std::string& error);

// The size of a state file of the current format, in bytes.
std::size_t StateFileBytes();

}  // namespace nimbo::sim

// Moving the LED Matrix String between MemoryImage and the device's memory.
//
// These are the LED matrix window's "Get" and "Store" operations; the start-up
// check and the firmware flasher run them without any window.
#pragma once

#include "link/NimboModule.h"

namespace nimbo::ledmatrix {

// Reads 24 blocks from device address 0x2000 into MemoryImage 0..1535, then
// decodes MatrixString. Only DeviceFound tells the outcome; no message.
void GetMatrixStringButton_Click(NIMBOmodule& module);

// Writes MemoryImage 0..1535 to the device block by block, verifying each
// one; a block that fails ten attempts is reported in a message box.
void StoreMatrixStringButton_Click(NIMBOmodule& module);

}  // namespace nimbo::ledmatrix

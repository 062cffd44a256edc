// Whether the device answers in update mode, asked as the flasher's device
// check asks: flash and verify refuse a device that does not in the same
// words.
#pragma once

#include <string>

#include "Context.h"
#include "link/NimboModule.h"

namespace nimbo::cli {

// Why the device's answer to "IF" (just asked) is not one of update mode.
std::string NotInUpdateModeReason(Context& context, NIMBOmodule& module);

// Asks "IF" afresh; empty when the device answers in update mode, otherwise
// NotInUpdateModeReason.
std::string CheckUpdateMode(Context& context, NIMBOmodule& module);

}  // namespace nimbo::cli

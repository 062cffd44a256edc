// The settings record on the device, for the commands that read or write it.
#pragma once

#include "Context.h"

namespace nimbo::cli {

// Reads the 68 bytes into SettingsBytes; nullptr after a failure message.
NIMBOmodule* ReadRecord(Context& context);
// Writes SettingsBytes 0..67 to the device; kFailure after a message.
int WriteRecord(Context& context, NIMBOmodule& module);

}  // namespace nimbo::cli

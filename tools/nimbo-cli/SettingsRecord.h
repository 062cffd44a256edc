// The settings record on the device, for the commands that read or write it.
#pragma once

#include <string>

#include "Context.h"

namespace nimbo::cli {

// Reads the 68 bytes into SettingsBytes; nullptr after a failure message.
NIMBOmodule* ReadRecord(Context& context);
// Writes SettingsBytes 0..67 to the device; kFailure after a message.
int WriteRecord(Context& context, NIMBOmodule& module);

// Before a firmware update: saves the settings (as `settings backup` does)
// and the LED matrix text the module holds into the current folder, under
// names with the date and time, and names both files on standard output.
// Otherwise why not, in words for one line: then nothing may be written to
// the device.
std::string SaveBackupsBeforeFlash(Context& context, NIMBOmodule& module);

}  // namespace nimbo::cli

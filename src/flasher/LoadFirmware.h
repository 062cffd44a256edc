// Loading the firmware update file into the shared state: choosing the
// source, reading, decoding and the header check.
#pragma once

#include "flasher/FirmwareChooser.h"
#include "link/NimboModule.h"

namespace nimbo::flasher {

enum class FirmwareSource { Default, Custom };  // the "Firmware" option

// Sizes MemoryImage (0..65543), RawFirmware (0..131103), BlockIn and
// BlockOut as the flasher needs them.
void SizeFlasherArrays(NIMBOmodule& module);

// Reads `path` into RawFirmware; FirmwareLoaded = -1 only when the whole
// 131,104 bytes were read from a regular file. A refused file leaves
// RawFirmware as it was.
void ReadFirmwareInto(NIMBOmodule& module, const std::string& path);

// Reads "nimbo.fwu" from the working directory.
void LoadDefaultFirmwareFile(NIMBOmodule& module, FirmwareFileChooser& chooser);

// Reads the file the chooser names, by its full path; cancelling, an empty
// name or a name whose last three characters are not "FWU" leaves
// FirmwareLoaded at 0.
void LoadCustomFirmwareFile(NIMBOmodule& module, FirmwareFileChooser& chooser);

// RawFirmware -> MemoryImage, resized to indices 0..32775. False (and
// nothing changed) when RawFirmware does not hold a whole file.
bool DecodeFirmware(NIMBOmodule& module);

// FirmwareKnown = 0, load from `source`, decode, and set NewFirmwareMajor,
// NewFirmwareMinor and FirmwareKnown from the header. Shows no message.
void LoadFirmware(NIMBOmodule& module, FirmwareSource source, FirmwareFileChooser& chooser);

}  // namespace nimbo::flasher

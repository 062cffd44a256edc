// Where the firmware file dialog opens first.
//
// A program unpacked into a folder of its own keeps its firmware files beside
// it, so the dialog opens in the program's folder; so does a program run from
// its build folder. An installed program lies in a bin folder of the system
// (/usr/bin), where no firmware file is: the dialog then opens in the user's
// download folder, where a file fetched from the web lands.
#pragma once

#include <filesystem>

namespace nimbo::flasher {

// True when `programFolder` (absolute) is the bin folder of an installation,
// such as /usr/bin, /usr/local/bin or ~/.local/bin.
bool IsInstalledProgramFolder(const std::filesystem::path& programFolder);

// `userFolder`: the user's download folder, or the home folder when there is
// none; empty when neither is known.
std::filesystem::path FirmwareDialogStartFolder(const std::filesystem::path& programFolder,
                                                const std::filesystem::path& userFolder);

}  // namespace nimbo::flasher

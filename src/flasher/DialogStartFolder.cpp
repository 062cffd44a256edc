#include "flasher/DialogStartFolder.h"

namespace nimbo::flasher {

bool IsInstalledProgramFolder(const std::filesystem::path& programFolder) {
  std::filesystem::path folder = programFolder.lexically_normal();
  if (!folder.has_filename()) {
    folder = folder.parent_path();  // "/usr/bin/" is the folder "/usr/bin"
  }
  return folder.filename() == "bin";
}

std::filesystem::path FirmwareDialogStartFolder(const std::filesystem::path& programFolder,
                                                const std::filesystem::path& userFolder) {
  return IsInstalledProgramFolder(programFolder) && !userFolder.empty() ? userFolder
                                                                        : programFolder;
}

}  // namespace nimbo::flasher

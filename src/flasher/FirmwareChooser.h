// How the flasher asks the user for a firmware file of their own choice.
//
// The window answers with its open-file dialog, tests and the command-line
// tool with a name they already know. The core decides what the answer
// means: nothing (cancelled) is an error, and the name must end in "FWU".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace nimbo::flasher {

struct FileFilter {
  std::string_view label;    // what the dialog shows
  std::string_view pattern;  // which names it lists
};

// The open-file dialog's fixed setup. The dialog starts in the folder that
// FirmwareDialogStartFolder names until it has a start folder of its own;
// only files that exist may be chosen, and it offers no read-only box.
inline constexpr std::string_view kChooserTitle = "Select firmware file...";
inline constexpr FileFilter kFirmwareFilesFilter{"NIMBO firmware (*.FWU)", "*.fwu"};
inline constexpr FileFilter kAllFilesFilter{"All Files (*.*)", "*.*"};
// The same two entries as one "label|pattern|label|pattern" text.
inline constexpr std::string_view kChooserFilterText =
    "NIMBO firmware (*.FWU)|*.fwu|All Files (*.*)|*.*";

class FirmwareFileChooser {
 public:
  virtual ~FirmwareFileChooser() = default;
  // Asks for a file; the full path of the chosen file, or nothing when the
  // user cancelled.
  virtual std::optional<std::string> ChooseFirmwareFile() = 0;
  // The default file is about to be read: a dialog without a start folder
  // gets its first one now (it does not change the file read).
  virtual void PrepareStartFolder() {}
};

// Always answers with one fixed name; for the command-line tool and tests.
class FixedFirmwareFile final : public FirmwareFileChooser {
 public:
  explicit FixedFirmwareFile(std::optional<std::string> path) : path_(std::move(path)) {}
  std::optional<std::string> ChooseFirmwareFile() override { return path_; }

 private:
  std::optional<std::string> path_;
};

}  // namespace nimbo::flasher

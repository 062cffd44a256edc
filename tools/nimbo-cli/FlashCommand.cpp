// "flash FILE [--reset-matrix] [--no-backup]": a whole firmware update from
// the terminal, with the flasher window's checks and procedure, and every
// refusal or failure told in one line that says why.
#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>
#include <string>

#include "BlockReport.h"
#include "Commands.h"
#include "DeviceWrite.h"
#include "FirmwareFileCheck.h"
#include "ProgressLines.h"
#include "SettingsRecord.h"
#include "ShownText.h"
#include "UpdateModeCheck.h"
#include "flasher/FirmwareChooser.h"
#include "flasher/FirmwareUpdate.h"
#include "flasher/LoadFirmware.h"
#include "ledmatrix/MatrixTransfer.h"

namespace nimbo::cli {
namespace {

constexpr const char* kNothingWritten = "; nothing was written to the device";
// About how long a flash takes on the device: 450 blocks written and read
// back, then the LED text stored back and the pause after it.
constexpr DeviceWrite::Duration kFlashDuration{6.4, 0.9};

class ConsoleFlasherView final : public flasher::FlasherView {
 public:
  ConsoleFlasherView(std::ostream& err, flasher::FlasherOptions options)
      : err_(err), options_(options) {}
  flasher::FlasherOptions Options() const override { return options_; }
  void SetDeviceName(std::string_view name) override { err_ << "Device: " << name << '\n'; }
  void ShowFlashOffer() override {}
  void ShowFlashProgress() override {}
  void UnloadForUsbFailure() override {}

 private:
  std::ostream& err_;
  flasher::FlasherOptions options_;
};

// Where and why the flash failed: "block 3 at device address 0x0080 failed
// after 10 tries: <cause>; first differing byte 5 (...)".
std::string DescribeFailure(Context& context, const flasher::FlashFailure& failure) {
  const std::string cause = context.CauseAndStatus();
  std::string text = BlockText(failure.block, failure.address) + " failed after " +
                     std::to_string(failure.tries) + " tries" +
                     (cause.starts_with('(') ? " " : ": ") + cause;
  if (failure.difference) {
    text += "; first differing " + DifferenceText(failure.address, *failure.difference);
  }
  return text;
}

// Why the device check refused the update, in one line.
std::string DescribeRefusal(Context& context, NIMBOmodule& module, flasher::CheckResult result,
                            const std::string& file) {
  const std::string link = context.LinkCauseText().empty() ? "" : context.CauseAndStatus();
  switch (result) {
    case flasher::CheckResult::NotInUpdateMode:
      return NotInUpdateModeReason(context, module);
    case flasher::CheckResult::NotResponding:
      return "the device does not answer: its LED matrix text could not be read" +
             (link.empty() ? std::string() : ": " + link);
    case flasher::CheckResult::UsbFailure:
      return "the USB link failed during the device check" +
             (link.empty() ? std::string() : ": " + link);
    case flasher::CheckResult::FileInvalid:
    case flasher::CheckResult::FirmwareUnknown: {
      // The file changed after it was checked.
      const std::string problem = ExamineFirmwareFile(file).problem;
      return ShownName(file) + ": " +
             (problem.empty() ? "the file changed while it was read" : problem);
    }
    case flasher::CheckResult::Offered:
      break;
  }
  return "the device check failed";
}

int Flash(Context& context, const std::string& file, bool resetMatrix, bool backup) {
  // The file first: a refused one never touches the device.
  if (const std::string problem = ExamineFirmwareFile(file).problem; !problem.empty()) {
    return context.Fail(ShownName(file) + ": " + problem + kNothingWritten);
  }
  NIMBOmodule* module = context.OpenModule();
  if (module == nullptr) {
    return kFailure;
  }
  ProgressLines progress(module->Ui(), context.Err(), IsTerminal(context.Err()), "Flashing CPU...");
  const InterfaceSwap swap(*module, progress);

  // What the flasher window does when it opens: its arrays and the LED text
  // that is stored back after the flash.
  flasher::SizeFlasherArrays(*module);
  ledmatrix::GetMatrixStringButton_Click(*module);

  ConsoleFlasherView view(context.Err(), {flasher::FirmwareSource::Custom,
                                          resetMatrix ? flasher::MatrixStringReset::Yes
                                                      : flasher::MatrixStringReset::No});
  flasher::FixedFirmwareFile chooser(file);
  flasher::FirmwareUpdate update(*module, view, chooser);
  if (const flasher::CheckResult checked = update.CheckDevice();
      checked != flasher::CheckResult::Offered) {
    return context.Fail(DescribeRefusal(context, *module, checked, file) + kNothingWritten);
  }
  if (backup) {
    if (const std::string failure = SaveBackupsBeforeFlash(context, *module); !failure.empty()) {
      return context.Fail(failure + kNothingWritten);
    }
  }
  flasher::FlashOutcome outcome;
  {
    const DeviceWrite write(context, *module, "the firmware update",
                            "stopped part-way, the device would be left without working firmware",
                            kFlashDuration, &progress);
    outcome = update.FlashFirmware();
  }
  progress.EndProgressLine();
  switch (outcome.result) {
    case flasher::FlashResult::Completed:
      context.WroteDevice("the firmware update");
      context.Out() << "Flash Complete!\n";
      return kSuccess;
    case flasher::FlashResult::TextNotStored: {
      const std::string cause = context.LinkCauseText();
      return context.Fail("the firmware is flashed, but the LED matrix text was not stored back: " +
                          (progress.messages.empty() ? cause : progress.messages.back()) +
                          "; store it again with nimbo-cli matrix write");
    }
    case flasher::FlashResult::WriteFailed:
    case flasher::FlashResult::VerifyFailed:
      return context.Fail(DescribeFailure(context, *outcome.failure) +
                          "; the device holds part of the new firmware: flash again");
    case flasher::FlashResult::NotResponding:
    case flasher::FlashResult::NotChecked:
      break;
  }
  return context.Fail("the flash did not start");
}

}  // namespace

void AddFlashCommand(CLI::App& app, Context& context) {
  CLI::App* flash =
      app.add_subcommand("flash", "Update the device's firmware from FILE (device in update mode)");
  auto file = std::make_shared<std::string>();
  auto resetMatrix = std::make_shared<bool>(false);
  auto noBackup = std::make_shared<bool>(false);
  flash->add_option("FILE", *file, "Firmware update file (.fwu)")->required();
  flash->add_flag("--no-backup", *noBackup,
                  "Do not save the settings and the LED matrix text into the current folder "
                  "first");
  flash->add_flag("--reset-matrix", *resetMatrix,
                  "Leave the LED matrix text as the new firmware sets it instead of storing the "
                  "current one back");
  SetAction(*flash, context, "flash", [&context, file, resetMatrix, noBackup] {
    return Flash(context, *file, *resetMatrix, !*noBackup);
  });
}

}  // namespace nimbo::cli

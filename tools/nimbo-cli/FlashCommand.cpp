// "flash FILE [--reset-matrix]": a whole firmware update from the terminal,
// with the flasher window's checks, procedure and messages.
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>

#include "Commands.h"
#include "SettingsRecord.h"
#include "flasher/FirmwareChooser.h"
#include "flasher/FirmwareUpdate.h"
#include "flasher/LoadFirmware.h"
#include "ledmatrix/MatrixTransfer.h"

namespace nimbo::cli {
namespace {

// Messages go on to the tool's own user interface; the status line becomes
// progress on the error stream: one line redrawn in place on a terminal,
// else a line every 10 %.
class FlashProgress final : public UserInterface {
 public:
  FlashProgress(UserInterface& inner, std::ostream& err, bool errIsTerminal)
      : inner_(inner), err_(err), terminal_(errIsTerminal) {}

  void ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) override {
    EndProgressLine();
    inner_.ShowMessage(text, title, icon);
  }
  void Beep() override { inner_.Beep(); }
  void SetStatusText(std::string_view text) override {
    constexpr std::string_view kFlashing = "Flashing CPU...";
    if (!text.starts_with(kFlashing)) {
      EndProgressLine();
      err_ << text << '\n';
      return;
    }
    if (terminal_) {
      err_ << '\r' << text << std::flush;
      inLine_ = true;
      return;
    }
    const int percent = std::atoi(std::string(text.substr(kFlashing.size())).c_str());
    if (percent / 10 != lastTenth_) {
      lastTenth_ = percent / 10;
      err_ << text << '\n';
    }
  }
  void SetProgress(int, int) override {}
  void ProcessEvents() override { inner_.ProcessEvents(); }
  void Sleep(int milliseconds) override { inner_.Sleep(milliseconds); }

  void EndProgressLine() {
    if (inLine_) {
      err_ << '\n';
      inLine_ = false;
    }
  }

 private:
  UserInterface& inner_;
  std::ostream& err_;
  bool terminal_;
  bool inLine_ = false;
  int lastTenth_ = -1;
};

// Puts the module's user interface back however the command ends.
class InterfaceSwap {
 public:
  InterfaceSwap(NIMBOmodule& module, UserInterface& replacement)
      : module_(module), previous_(module.Ui()) {
    module_.SetUserInterface(replacement);
  }
  ~InterfaceSwap() { module_.SetUserInterface(previous_); }
  InterfaceSwap(const InterfaceSwap&) = delete;
  InterfaceSwap& operator=(const InterfaceSwap&) = delete;

 private:
  NIMBOmodule& module_;
  UserInterface& previous_;
};

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

std::string Hex(unsigned value, int digits) {
  std::ostringstream text;
  text << "0x" << std::uppercase << std::hex << std::setw(digits) << std::setfill('0') << value;
  return text.str();
}

std::string DescribeFailure(const flasher::FlashFailure& failure) {
  std::string text = "block " + std::to_string(failure.block) + " at device address " +
                     Hex(static_cast<unsigned>(failure.address), 4) + " failed after " +
                     std::to_string(failure.tries) + " tries";
  if (failure.difference) {
    text += "; first differing byte at offset " + std::to_string(failure.difference->offset) +
            ": expected " + Hex(failure.difference->expected, 2) + ", read " +
            Hex(failure.difference->read, 2);
  }
  return text;
}

// Whether `err` is the process's standard error and that is a terminal.
bool IsTerminal(const std::ostream& err) {
  return &err == &std::cerr && ::isatty(STDERR_FILENO) == 1;
}

int Flash(Context& context, const std::string& file, bool resetMatrix, bool backup) {
  NIMBOmodule* module = context.OpenModule();
  if (module == nullptr) {
    return kFailure;
  }
  FlashProgress progress(module->Ui(), context.Err(), IsTerminal(context.Err()));
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
  if (update.CheckDevice() != flasher::CheckResult::Offered) {
    return context.Fail("nothing was written to the device");
  }
  if (backup && !SaveBackupsBeforeFlash(context, *module)) {
    return context.Fail("nothing was written to the device");
  }
  const flasher::FlashOutcome outcome = update.FlashFirmware();
  progress.EndProgressLine();
  switch (outcome.result) {
    case flasher::FlashResult::Completed:
      context.Out() << "Flash Complete!\n";
      return kSuccess;
    case flasher::FlashResult::TextNotStored:
      return context.Fail("the firmware is flashed, but the LED matrix text was not stored back");
    case flasher::FlashResult::WriteFailed:
    case flasher::FlashResult::VerifyFailed:
      return context.Fail(DescribeFailure(*outcome.failure));
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

#include "flasher/gui/frmFlasher.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>

#include "flasher/LoadFirmware.h"
#include "flasher/gui/FirmwareFileDialog.h"
#include "ledmatrix/MatrixTransfer.h"
#include "shell/TransferGuard.h"

namespace nimbo::flasher::gui {

using shell::TransferGuard;

frmFlasher::frmFlasher(NIMBOmodule& module, shell::Navigator& navigator, QWidget* parent)
    : WorkingWindow(module, navigator, shell::WindowId::Flasher, parent),
      flashing_(module.Flashing),
      update_(module, *this, chooser_) {
  chooser_.current = std::make_unique<FirmwareFileDialog>(this);
  BuildControls();
}

frmFlasher::~frmFlasher() = default;

void frmFlasher::SetFirmwareChooser(std::unique_ptr<FirmwareFileChooser> chooser) {
  if (chooser) {
    chooser_.current = std::move(chooser);
  }
}

void frmFlasher::LoadContents() {
  RegisterStatusLabel(StatusText);
  RegisterProgressBar(ProgressBar);
  // The options are kept only while the window is loaded.
  mnuFWDefault->setChecked(true);
  mnuLEDResetNo->setChecked(true);
  ShowIdle();
  show();

  // The LED text read now is stored back after a flash. Until the read has
  // ended nothing in the window acts: a device check started from within it
  // would decode the firmware into the MemoryImage that the read is filling.
  SizeFlasherArrays(Module());
  TransferGuard guard(*this, busy_);
  ledmatrix::GetMatrixStringButton_Click(Module());
}

bool frmFlasher::MayClose() const {
  return !busy_ && flashing_ != kTrue;
}

void frmFlasher::Button_Click(int index) {
  if (busy_ || Unloaded()) {
    return;
  }
  Module().DeviceCheckFailed = kFalse;
  switch (index) {
    case kFindDevice:
      CheckDevice();
      break;
    case kFlashDevice:
      FlashDevice();
      break;
    default:  // "Abort Flash", "Ok!", and the never shown "Read Flash"
      ShowIdle();
      break;
  }
}

void frmFlasher::CheckDevice() {
  CheckResult result = CheckResult::Offered;
  {
    // The check waits for the device with window events running: a second
    // click must not start a second check inside the first.
    TransferGuard guard(*this, busy_);
    result = update_.CheckDevice();
  }
  if (result == CheckResult::UsbFailure) {
    // The window is already unloaded; leaving the program running with no
    // window at all would strand the user.
    Nav().UnloadLoader();
    return;
  }
  if (Module().DeviceCheckFailed == kTrue) {
    ShowIdle();
  }
}

void frmFlasher::FlashDevice() {
  SetMenusEnabled(false);
  Module().Flashing = kTrue;
  const FlashOutcome outcome = update_.FlashFirmware();
  Module().Flashing = kFalse;
  if (outcome.FirmwareWritten() && Module().DeviceCheckFailed != kTrue) {
    ShowCompleted();
    return;
  }
  // A failed flash leaves the user free to leave the window or to try
  // again with another file.
  ShowIdle();
  SetMenusEnabled(true);
}

void frmFlasher::SetButtonsShown(std::initializer_list<int> shown, int focused) {
  for (int index = 0; index < kButtonCount; ++index) {
    bool visible = false;
    for (int wanted : shown) {
      visible = visible || wanted == index;
    }
    Button[static_cast<std::size_t>(index)]->setVisible(visible);
  }
  // The focus goes to the state's harmless button, never to "Flash Device":
  // the keyboard user is not left without a focus, and an Enter pressed
  // twice cannot start a flash.
  if (focused >= 0) {
    Button[static_cast<std::size_t>(focused)]->setFocus(Qt::OtherFocusReason);
  }
}

void frmFlasher::ShowIdle() {
  SetButtonsShown({kFindDevice}, kFindDevice);
  ProgressBar->hide();
  StatusText->clear();
  DeviceName->clear();
}

void frmFlasher::ShowCompleted() {
  SetButtonsShown({kOk}, kOk);
  ProgressBar->hide();
  StatusText->setText(QStringLiteral("Flash Complete!"));
  SetMenusEnabled(true);
}

void frmFlasher::SetMenusEnabled(bool enabled) {
  FunctionMenu()->menuAction()->setEnabled(enabled);
  mnuOptions->menuAction()->setEnabled(enabled);
  HelpMenu()->menuAction()->setEnabled(enabled);
}

FlasherOptions frmFlasher::Options() const {
  FlasherOptions options;
  options.firmware = mnuFWCustom->isChecked() ? FirmwareSource::Custom : FirmwareSource::Default;
  options.matrixReset =
      mnuLEDResetYes->isChecked() ? MatrixStringReset::Yes : MatrixStringReset::No;
  return options;
}

void frmFlasher::SetDeviceName(std::string_view name) {
  DeviceName->setText(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

void frmFlasher::ShowFlashOffer() {
  SetButtonsShown({kFlashDevice, kAbortFlash}, kAbortFlash);
}

void frmFlasher::ShowFlashProgress() {
  SetButtonsShown({}, -1);
  ProgressBar->setValue(0);
  ProgressBar->show();
}

void frmFlasher::UnloadForUsbFailure() {
  UnloadByProgram();
}

}  // namespace nimbo::flasher::gui

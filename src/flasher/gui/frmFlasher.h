// The firmware flasher window: four states driven by five buttons (find the
// device, flash it or abandon, acknowledge the result), a progress bar, and
// the two options of the "Options" menu, which live only in its check marks.
#pragma once

#include <array>
#include <memory>

#include "flasher/FirmwareChooser.h"
#include "flasher/FirmwareUpdate.h"
#include "shell/WorkingWindow.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;

namespace nimbo::flasher::gui {

class frmFlasher : public shell::WorkingWindow, private FlasherView {
  Q_OBJECT

 public:
  // Indices of the `Button` control array.
  enum ButtonIndex : int { kFindDevice = 0, kFlashDevice, kAbortFlash, kOk, kReadFlash };
  static constexpr int kButtonCount = 5;

  frmFlasher(NIMBOmodule& module, shell::Navigator& navigator, QWidget* parent = nullptr);
  ~frmFlasher() override;

  // Replaces the open-file dialog behind "Choose Custom".
  void SetFirmwareChooser(std::unique_ptr<FirmwareFileChooser> chooser);
  // True while the load's read or a device check runs: buttons and menus
  // then do nothing.
  bool Busy() const { return busy_; }

  // The shared click handler of the `Button` array.
  void Button_Click(int index);
  // "Find Device": the device check, under the busy guard.
  void CheckDevice();

 protected:
  void LoadContents() override;
  bool MayClose() const override;

 private:
  // Hands the core's questions to whichever chooser is current.
  class ChooserSlot final : public FirmwareFileChooser {
   public:
    std::optional<std::string> ChooseFirmwareFile() override {
      return current->ChooseFirmwareFile();
    }
    void PrepareStartFolder() override { current->PrepareStartFolder(); }
    std::unique_ptr<FirmwareFileChooser> current;
  };

  // --- Building (frmFlasherLayout.cpp) ---
  void BuildControls();
  void BuildOptionsMenu();

  // --- States ---
  void ShowIdle();
  void ShowCompleted();
  void SetMenusEnabled(bool enabled);
  // Shows the buttons `shown` only and gives `focused` the focus (-1: none).
  void SetButtonsShown(std::initializer_list<int> shown, int focused);

  void FlashDevice();

  // --- FlasherView ---
  FlasherOptions Options() const override;
  void SetDeviceName(std::string_view name) override;
  void ShowFlashOffer() override;
  void ShowFlashProgress() override;
  void UnloadForUsbFailure() override;

  std::array<QPushButton*, kButtonCount> Button{};
  QProgressBar* ProgressBar = nullptr;
  QLabel* StatusText = nullptr;
  QLabel* DeviceName = nullptr;
  QLabel* Picture1 = nullptr;
  QMenu* mnuOptions = nullptr;
  QAction* mnuFWDefault = nullptr;
  QAction* mnuFWCustom = nullptr;
  QAction* mnuLEDResetNo = nullptr;
  QAction* mnuLEDResetYes = nullptr;

  bool busy_ = false;
  const Flag& flashing_;  // the module's Flashing
  ChooserSlot chooser_;
  FirmwareUpdate update_;
};

}  // namespace nimbo::flasher::gui

// What the device check and the flash change in the flasher window beyond
// the status line and the progress bar (those go through the module's
// UserInterface), and where they read the window's two options.
#pragma once

#include <string_view>

#include "flasher/LoadFirmware.h"

namespace nimbo::flasher {

enum class MatrixStringReset { No, Yes };  // the "LED Matrix String Reset" option

struct FlasherOptions {
  FirmwareSource firmware = FirmwareSource::Default;
  MatrixStringReset matrixReset = MatrixStringReset::No;
};

class FlasherView {
 public:
  virtual ~FlasherView() = default;
  // The options as the window's menus show them right now.
  virtual FlasherOptions Options() const = 0;
  // The device name label: "NIMBO" and the model character.
  virtual void SetDeviceName(std::string_view name) = 0;
  // The device check passed: hide "Find Device", show "Flash Device" and
  // "Abort Flash".
  virtual void ShowFlashOffer() = 0;
  // The flash starts: hide "Flash Device" and "Abort Flash", show the
  // progress bar.
  virtual void ShowFlashProgress() = 0;
  // The link failed during the device check: the window unloads itself
  // before "USB Connection Failure!" is shown (the program then ends).
  virtual void UnloadForUsbFailure() = 0;
};

// A view with nothing to show, holding fixed options.
class PlainFlasherView : public FlasherView {
 public:
  explicit PlainFlasherView(FlasherOptions options = {}) : options_(options) {}
  FlasherOptions Options() const override { return options_; }
  void SetOptions(FlasherOptions options) { options_ = options; }
  void SetDeviceName(std::string_view) override {}
  void ShowFlashOffer() override {}
  void ShowFlashProgress() override {}
  void UnloadForUsbFailure() override {}

 private:
  FlasherOptions options_;
};

}  // namespace nimbo::flasher

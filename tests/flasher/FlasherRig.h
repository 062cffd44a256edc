// What the flasher tests share: firmware files in a scratch folder, a view
// that records what the procedures show, and a device in update mode whose
// LED text the window's load has read.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "flasher/FirmwareUpdate.h"
#include "flasher/SampleFirmware.h"
#include "ledmatrix/MatrixString.h"
#include "ledmatrix/MatrixTransfer.h"
#include "support/AnsweringChooser.h"
#include "support/FirmwareFiles.h"
#include "support/ScratchFolder.h"
#include "support/SimulatedRig.h"

namespace nimbo::test {

class RecordingFlasherView final : public flasher::FlasherView {
 public:
  flasher::FlasherOptions Options() const override { return options; }
  void SetDeviceName(std::string_view name) override { deviceName = name; }
  void ShowFlashOffer() override { ++offers; }
  void ShowFlashProgress() override { ++progressShown; }
  void UnloadForUsbFailure() override { messagesWhenUnloaded = ui->messages.size(); }

  flasher::FlasherOptions options;
  std::string deviceName;
  int offers = 0;
  int progressShown = 0;
  std::optional<std::size_t> messagesWhenUnloaded;
  const RecordingUserInterface* ui = nullptr;
};

inline constexpr std::int32_t BlockAddress(int block) {
  return 0x0020 + 32 * block;
}
// The LED text's device copy 0x2000..0x217F holds image bytes 16392..17159.
inline constexpr std::size_t kTextImageBegin = 16392;
inline constexpr std::size_t kTextImageEnd = 17160;

// A device in update mode at version 1.0, its factory LED text read as the
// flasher window's load reads it, and a custom firmware file.
class FlasherRig : public SimulatedRig {
 public:
  FlasherRig() {
    device.LoadFactoryContents();
    device.CurrentMode() = sim::Mode::Update;
    device.Version() = 0x10;
    module.OpenLink();
    flasher::SizeFlasherArrays(module);
    ledmatrix::GetMatrixStringButton_Click(module);
    view.ui = &ui;
    view.options.firmware = flasher::FirmwareSource::Custom;
    chooser.answer = firmwarePath;
    UseImage(flasher::SampleFirmwareImage());
  }

  void UseImage(std::vector<std::uint8_t> newImage) {
    image = std::move(newImage);
    WriteFirmware(firmwarePath, image);
  }

  void StartCase() {
    device.ClearTrace();
    ui.messages.clear();
    ui.statusTexts.clear();
    ui.sleeps.clear();
  }

  std::vector<std::string> MessageTexts() const { return ui.MessageTexts(); }

  bool WroteMemory() const {
    for (const auto& entry : device.Trace()) {
      if (entry.fromHost && entry.bytes.size() >= 2 && entry.bytes[0] == 'W' &&
          entry.bytes[1] == 'M') {
        return true;
      }
    }
    return false;
  }

  // The matrix image of the LED text the window's load read.
  std::vector<std::uint8_t> TextImage() {
    const std::vector<std::uint8_t> saved = module.MemoryImage;
    EXPECT_TRUE(ledmatrix::EncodeMatrixString(module, module.MatrixString));
    std::vector<std::uint8_t> text(module.MemoryImage.begin(), module.MemoryImage.begin() + 768);
    module.MemoryImage = saved;
    return text;
  }

  // The device's copy of the text, 0x2000..0x217F.
  std::vector<std::uint8_t> DeviceText() const {
    const auto memory = device.Memory().subspan(0x2000 * 2, 768);
    return {memory.begin(), memory.end()};
  }

  // The first program byte (outside [skipBegin, skipEnd)) the device does
  // not hold as the image has it; image byte k lives at device byte k - 8.
  std::optional<std::size_t> FirstProgramDifference(std::size_t skipBegin = 0,
                                                    std::size_t skipEnd = 0) const {
    for (std::size_t k = flasher::kProgramOffset; k < flasher::kProgramEnd; ++k) {
      if ((k < skipBegin || k >= skipEnd) && device.Memory()[k - 8] != image[k]) {
        return k;
      }
    }
    return std::nullopt;
  }

  ScratchFolder folder;
  std::string firmwarePath = folder.File("update.fwu");
  std::vector<std::uint8_t> image;
  RecordingFlasherView view;
  AnsweringChooser chooser;
  flasher::FirmwareUpdate update{module, view, chooser};
};

}  // namespace nimbo::test

#include "flasher/FirmwareUpdate.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "flasher/FirmwareCodec.h"
#include "ledmatrix/MatrixString.h"
#include "ledmatrix/MatrixText.h"
#include "ledmatrix/MatrixTransfer.h"

namespace nimbo::flasher {

namespace {

constexpr std::uint32_t kPurgeBoth = ft::kPurgeRx | ft::kPurgeTx;

constexpr int kBlocks = static_cast<int>(kProgramBlocks);
constexpr int kLastBlock = kBlocks - 1;
constexpr int kTriesPerBlock = 10;     // shared by the write and the verify of a block
constexpr int kPauseAfterFlash = 500;  // milliseconds

// The LED text's device copy, 0x2000..0x22FF, is stored from MemoryImage
// 0..1535. Its second half, 0x2180..0x22FF, holds firmware: image bytes
// 17160..17927.
constexpr std::size_t kMatrixTailIndex = ledmatrix::kMatrixImageSize;  // 768
constexpr std::size_t kMatrixTailImageOffset =
    kProgramOffset +
    (kKeptTextEndAddress - kProgramFirstAddress) / kBlockAddressStep * kBlockSize;  // 17160
static_assert(kMatrixTailImageOffset == 17160);

constexpr const char* kNotInUpdateModeText = "NIMBO not in update mode! ";
// This message carries the program's own title, as a box given no title does.
constexpr const char* kNotInUpdateModeTitle = "NIMBO Control";
constexpr const char* kUnableTitle = "Unable to update!";
constexpr const char* kInvalidFileText = "Invalid or missing firmware file!";
constexpr const char* kUnknownFirmwareText = "Unknown firmware!";
constexpr const char* kUsbFailureText = "USB Connection Failure!";
constexpr const char* kUsbFailureTitle = "USB Error";
constexpr const char* kNotRespondingText = "NIMBO Not Responding! Restart in Update Mode!";
constexpr const char* kNotFoundTitle = "NIMBO Not Found!";
constexpr const char* kWriteErrorText = "CPU write error! Data is corrupted!  Re-try update!";
constexpr const char* kWriteFailureTitle = "Write Failure!";
constexpr const char* kVerifyErrorText = "CPU verify error!  Data is corrupted!  Re-try update!";
constexpr const char* kVerifyFailureTitle = "Verify Failure!";

// Flashing is -1 for as long as the flash runs, however it ends.
class FlashingScope {
 public:
  explicit FlashingScope(NIMBOmodule& module) : module_(module) { module_.Flashing = kTrue; }
  ~FlashingScope() { module_.Flashing = kFalse; }
  FlashingScope(const FlashingScope&) = delete;
  FlashingScope& operator=(const FlashingScope&) = delete;

 private:
  NIMBOmodule& module_;
};

bool PurgeQueues(NIMBOmodule& module) {
  module.LinkStatus = static_cast<std::int32_t>(module.Ftdi().Purge(module.LinkHandle, kPurgeBoth));
  return module.LinkStatus == 0;
}

void Tell(NIMBOmodule& module, const char* text, const char* title) {
  module.Ui().ShowMessage(text, title, MessageIcon::None);
}

std::string DeviceNameText(std::uint8_t model) {
  const std::array<std::uint8_t, 1> code{model};
  return "NIMBO" + ledmatrix::MatrixCodesToText(code);
}

// Copies the block at BlockOffset into BlockOut; false when MemoryImage does
// not hold it.
bool CopyBlockOut(NIMBOmodule& module) {
  const std::int64_t end = static_cast<std::int64_t>(module.BlockOffset) + kBlockSize;
  if (module.BlockOffset < 0 || end > static_cast<std::int64_t>(module.MemoryImage.size())) {
    return false;
  }
  std::copy_n(module.MemoryImage.begin() + module.BlockOffset, kBlockSize, module.BlockOut.begin());
  return true;
}

// The first byte in which the block read back differs from the block
// written, when the last verify read the whole block.
std::optional<FlashFailure::Difference> ReadBackDifference(const NIMBOmodule& module) {
  if (module.RxTimedOut == kTrue || module.RxFailed == kTrue ||
      module.RxTotal != static_cast<std::int32_t>(kBlockSize)) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i < kBlockSize; ++i) {
    if (module.BlockIn[i] != module.BlockOut[i]) {
      return FlashFailure::Difference{static_cast<int>(i), module.BlockOut[i], module.BlockIn[i]};
    }
  }
  return std::nullopt;
}

}  // namespace

bool AnswersInUpdateMode(NIMBOmodule& m) {
  // Only a fresh answer counts: a device that answered once and has since
  // restarted outside update mode must not be taken for its old version.
  m.FirmwareMajor = 0;
  m.FirmwareMinor = 0;
  m.ReadDeviceInfo();
  return m.LinkStatus == 0 && (m.FirmwareMajor != 0 || m.FirmwareMinor != 0);
}

CheckResult FirmwareUpdate::CheckDevice() {
  NIMBOmodule& m = module_;
  m.DeviceCheckFailed = kFalse;
  checkedImage_.clear();

  const auto usbFailure = [&] {
    view_.UnloadForUsbFailure();
    Tell(m, kUsbFailureText, kUsbFailureTitle);
    m.DeviceCheckFailed = kTrue;
    return CheckResult::UsbFailure;
  };
  const auto fail = [&](CheckResult result, const char* text, const char* title) {
    Tell(m, text, title);
    m.DeviceCheckFailed = kTrue;
    return result;
  };

  if (!PurgeQueues(m)) {
    return usbFailure();
  }
  // Every way of not answering in update mode gives this one message.
  if (!AnswersInUpdateMode(m)) {
    m.Ui().ShowMessage(kNotInUpdateModeText, kNotInUpdateModeTitle, MessageIcon::Critical);
    m.DeviceCheckFailed = kTrue;
    return CheckResult::NotInUpdateMode;
  }
  if (!PurgeQueues(m)) {
    return usbFailure();
  }
  view_.SetDeviceName(DeviceNameText(m.DeviceModel));

  // The LED text is stored back after the flash; without it, a flash could
  // only fail. A device restarted in update mode may answer now.
  if (m.DeviceFound != kTrue) {
    ledmatrix::GetMatrixStringButton_Click(m);
    if (m.DeviceFound != kTrue) {
      return fail(CheckResult::NotResponding, kNotRespondingText, kNotFoundTitle);
    }
  }

  LoadFirmware(m, view_.Options().firmware, chooser_);
  if (m.FirmwareLoaded != kTrue) {
    return fail(CheckResult::FileInvalid, kInvalidFileText, kUnableTitle);
  }
  if (m.FirmwareKnown != kTrue) {
    return fail(CheckResult::FirmwareUnknown, kUnknownFirmwareText, kUnableTitle);
  }
  checkedImage_ = m.MemoryImage;

  m.Ui().SetStatusText("Current Firmware: v" + VersionText(m.FirmwareMajor, m.FirmwareMinor) +
                       "  -  New Firmware: v" +
                       VersionText(m.NewFirmwareMajor, m.NewFirmwareMinor));
  view_.ShowFlashOffer();
  return CheckResult::Offered;
}

FlashOutcome FirmwareUpdate::FlashFirmware() {
  NIMBOmodule& m = module_;
  const FlashingScope flashing(m);
  m.DeviceCheckFailed = kFalse;
  FlashOutcome outcome;

  const auto fail = [&](FlashResult result) {
    m.DeviceCheckFailed = kTrue;
    outcome.result = result;
    checkedImage_.clear();
    return outcome;
  };

  view_.ShowFlashProgress();
  m.Ui().SetProgress(0, kLastBlock);
  static_cast<void>(PurgeQueues(m));
  if (m.DeviceFound != kTrue) {
    Tell(m, kNotRespondingText, kNotFoundTitle);
    return fail(FlashResult::NotResponding);
  }
  // Only the image that passed the device check is ever flashed.
  if (checkedImage_.size() != kFirmwareImageSize) {
    Tell(m, kInvalidFileText, kUnableTitle);
    return fail(FlashResult::NotChecked);
  }
  m.MemoryImage = checkedImage_;

  m.BlockOffset = static_cast<std::int32_t>(kProgramOffset);
  m.BlockAddress = kProgramFirstAddress;
  for (int block = 0; block < kBlocks; ++block) {
    m.Ui().SetStatusText("Flashing CPU..." + std::to_string((block + 1) * 100 / kBlocks) + "%");
    m.Ui().SetProgress(block, kLastBlock);
    int failed = 0;  // failed attempts; the write and the verify share ten
    m.Ui().ProcessEvents();

    const auto blockFailure = [&] {
      return FlashFailure{block, m.BlockAddress, failed, std::nullopt};
    };
    for (;;) {
      if (CopyBlockOut(m)) {
        m.WriteMemoryBlock();
      } else {
        m.LinkStatus = kLinkReadFailure;
        m.FailureCause = LinkCause::BadRequest;
      }
      if (m.LinkStatus == 0) {
        break;
      }
      if (++failed == kTriesPerBlock) {
        outcome.failure = blockFailure();
        Tell(m, kWriteErrorText, kWriteFailureTitle);
        return fail(FlashResult::WriteFailed);
      }
    }
    std::optional<FlashFailure::Difference> difference;
    for (;;) {
      // A failed verify reads the block again; it is not written again.
      m.VerifyMemoryBlock();
      if (m.LinkStatus == 0) {
        break;
      }
      if (const auto found = ReadBackDifference(m)) {
        difference = found;
      }
      if (++failed == kTriesPerBlock) {
        outcome.failure = blockFailure();
        outcome.failure->difference = difference;
        Tell(m, kVerifyErrorText, kVerifyFailureTitle);
        Tell(m, kNotRespondingText, kNotFoundTitle);
        return fail(FlashResult::VerifyFailed);
      }
    }
    m.BlockOffset += static_cast<std::int32_t>(kBlockSize);
    m.BlockAddress += kBlockAddressStep;
  }
  m.Ui().ProcessEvents();
  checkedImage_.clear();

  if (view_.Options().matrixReset != MatrixStringReset::Yes) {
    outcome.result = StoreMatrixString() ? FlashResult::Completed : FlashResult::TextNotStored;
  }
  m.Ui().Sleep(kPauseAfterFlash);
  m.DeviceCheckFailed = kFalse;
  return outcome;
}

bool FirmwareUpdate::StoreMatrixString() {
  NIMBOmodule& m = module_;
  if (const auto problem = ledmatrix::MatrixTextProblem(m.MatrixString)) {
    Tell(m, problem->c_str(), "Write Failure!");
    return false;
  }
  if (!ledmatrix::EncodeMatrixString(m, m.MatrixString)) {
    return false;
  }
  // The store sends MemoryImage 0..1535 to 0x2000..0x22FF. Its second half
  // must carry what the firmware gives 0x2180..0x22FF, which the flash has
  // just written there, not the image's own bytes 768..1535.
  std::copy_n(m.MemoryImage.begin() + kMatrixTailImageOffset, kMatrixTailIndex,
              m.MemoryImage.begin() + kMatrixTailIndex);
  ledmatrix::StoreMatrixStringButton_Click(m);
  return m.LinkStatus == 0;
}

}  // namespace nimbo::flasher

// The device check ("Find Device") and the flash ("Flash Device").
//
// Both report to the user through the module's UserInterface with the
// flasher's own texts, leave DeviceCheckFailed as the window expects it
// (-1 after any failure), and return what happened so that their caller can
// move its window to the next state or end the command-line tool with the
// right status.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "flasher/FirmwareChooser.h"
#include "flasher/FlasherView.h"
#include "link/NimboModule.h"

namespace nimbo::flasher {

// Where the program blocks go: block k at device address 0x0020 + 32·k
// (an address holds two bytes).
inline constexpr std::int32_t kProgramFirstAddress = 0x0020;
inline constexpr std::int32_t kBlockAddressStep = 32;
// The LED text's device copy that a flash keeps, 0x2000..0x217F.
inline constexpr std::int32_t kKeptTextFirstAddress = 0x2000;
inline constexpr std::int32_t kKeptTextEndAddress = 0x2180;

// Asks the device for its firmware version ("IF") and tells whether it runs
// its update firmware: only a fresh answer with a version other than 0.0
// counts. Silence, a broken or late reply and a wrong echo do not;
// LinkStatus, FailureCause and RxTotal keep which it was.
bool AnswersInUpdateMode(NIMBOmodule& m);

enum class CheckResult {
  Offered,          // versions shown, "Flash Device" offered
  NotInUpdateMode,  // no (or no fresh) answer to "IF"
  NotResponding,    // the LED Matrix String could not be read
  FileInvalid,      // "Invalid or missing firmware file!"
  FirmwareUnknown,  // "Unknown firmware!"
  UsbFailure,       // the window has been unloaded; end the program
};

enum class FlashResult {
  Completed,      // every block verified and the LED text stored back (or reset)
  TextNotStored,  // every block verified, but storing the LED text failed
  NotResponding,  // the LED Matrix String was never read
  NotChecked,     // no image passed a device check since the last flash
  WriteFailed,    // a block's tries were used up writing
  VerifyFailed,   // a block's tries were used up verifying
};

// Where and how a flash failed.
struct FlashFailure {
  int block = 0;             // 0..449
  std::int32_t address = 0;  // its device address
  int tries = 0;             // failed attempts on that block
  struct Difference {
    int offset = 0;  // byte 0..63 of the block
    std::uint8_t expected = 0;
    std::uint8_t read = 0;
  };
  // The first differing byte of the last verify that read the whole block.
  std::optional<Difference> difference;
};

struct FlashOutcome {
  FlashResult result = FlashResult::Completed;
  std::optional<FlashFailure> failure;  // for WriteFailed and VerifyFailed
  // True for both results after which "Flash Complete!" is the truth about
  // the firmware.
  bool FirmwareWritten() const {
    return result == FlashResult::Completed || result == FlashResult::TextNotStored;
  }
};

class FirmwareUpdate {
 public:
  FirmwareUpdate(NIMBOmodule& module, FlasherView& view, FirmwareFileChooser& chooser)
      : module_(module), view_(view), chooser_(chooser) {}

  // Asks the device for its version, reads and checks the firmware file and
  // shows both versions. Sets DeviceCheckFailed (0 or -1).
  CheckResult CheckDevice();

  // Writes and verifies the 450 program blocks, then stores the LED Matrix
  // String back unless the reset option is "Yes", and pauses 500 ms. Sets
  // Flashing (-1 while it runs) and DeviceCheckFailed (0 or -1; 0 also after
  // a failed store of the text, whose own message has then been shown).
  FlashOutcome FlashFirmware();

 private:
  // Encodes MatrixString and stores it with the firmware's own bytes in the
  // second half of the transfer; false when the text was not stored.
  bool StoreMatrixString();

  NIMBOmodule& module_;
  FlasherView& view_;
  FirmwareFileChooser& chooser_;
  // The decoded image that passed the last device check; a flash writes
  // this and nothing else.
  std::vector<std::uint8_t> checkedImage_;
};

}  // namespace nimbo::flasher

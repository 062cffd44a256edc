// The program's shared state and the device operations that work on it.
//
// One NIMBOmodule exists per program run (tests make their own). Operations
// take no arguments: they read their inputs from the members below and leave
// their results there, and the caller checks LinkStatus after each one.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/D2xx.h"
#include "link/UserInterface.h"

namespace nimbo {

// Flags are 16-bit values: -1 for true, 0 for false.
using Flag = std::int16_t;
inline constexpr Flag kTrue = -1;
inline constexpr Flag kFalse = 0;

// LinkStatus after a failed read, a refused or malformed reply, or a count
// that does not fit its destination.
inline constexpr std::int32_t kLinkReadFailure = 8;

// Why the last link operation failed, for messages that name the cause.
// LinkStatus keeps its own values; this only tells apart what it lumps
// together.
enum class LinkCause : std::uint8_t {
  None,
  NoReply,         // a read got nothing (or not the whole reply) within the read time-out
  WrongEcho,       // the reply did not begin with the command's two letters
  LateReply,       // it began with another command's letters: an earlier frame's answer, late
  WrongChecksum,   // the reply's checksum does not match its bytes
  Refused,         // the acknowledge byte was not 0x01
  DataMismatch,    // a verify read back other bytes than were written
  DeviceGone,      // the interface reported an I/O error: unplugged or switched off
  InterfaceError,  // the interface refused a call with another status
  BadRequest,      // refused before anything was sent: an address or count out of range
};

// The cause that goes with an interface call's status.
inline LinkCause CauseOfStatus(FtStatus status) {
  return status == ft::kOk        ? LinkCause::None
         : status == ft::kIoError ? LinkCause::DeviceGone
                                  : LinkCause::InterfaceError;
}

inline constexpr std::size_t kFrameBufferSize = 4096;
inline constexpr std::size_t kBlockSize = 64;
inline constexpr std::size_t kBlockArraySize = kBlockSize + 1;  // indices 0..64
inline constexpr std::size_t kMemoryImageSize = 65544;          // indices 0..65543
inline constexpr std::size_t kSettingsArraySize = 257;          // indices 0..256
inline constexpr int kSettingsCount = 68;                       // bytes 0..67 are exchanged

class NIMBOmodule {
 public:
  NIMBOmodule(D2xx& ftdi, UserInterface& ui) : ftdi_(&ftdi), ui_(&ui) {}

  D2xx& Ftdi() { return *ftdi_; }
  UserInterface& Ui() { return *ui_; }
  // The desktop program hands the module to whichever window is current.
  void SetUserInterface(UserInterface& ui) { ui_ = &ui; }

  // Sizes MemoryImage to indices 0..65543 (done once before the first block
  // transfer).
  void SizeSharedArrays();

  // --- USB serial link ---
  void OpenLink();
  void CloseLink();
  void SendFrame();
  void ReadReply();
  void ReadBlockData();
  void ReadVerifyData();

  // --- Device commands ---
  void ReadDeviceInfo();
  void ReadMemoryBlock();
  void WriteMemoryBlock();
  void VerifyMemoryBlock();
  void ReadEeprom();
  void WriteEeprom();

  // --- Link state ---
  FtHandle LinkHandle = 0;  // 0 = no link
  std::int32_t LinkStatus = 0;
  // Set with every non-zero LinkStatus, and by ReadDeviceInfo for a reply it
  // ignores (LinkStatus stays 0 there).
  LinkCause FailureCause = LinkCause::None;
  std::array<std::uint8_t, kFrameBufferSize> TxBuffer{};
  std::int32_t TxCount = 0;
  std::int32_t TxWritten = 0;
  std::array<std::uint8_t, kFrameBufferSize> RxBuffer{};
  std::int32_t RxCount = 0;
  std::int32_t RxReturned = 0;
  std::int32_t RxTotal = 0;
  Flag RxTimedOut = kFalse;
  Flag RxFailed = kFalse;
  std::vector<std::uint8_t> MemoryImage;
  std::int32_t BlockOffset = 0;
  std::array<std::uint8_t, kBlockArraySize> BlockOut{};
  std::array<std::uint8_t, kBlockArraySize> BlockIn{};

  // --- Command state ---
  std::string ReplyEcho;
  std::int16_t AddressLo = 0;
  std::int16_t AddressHi = 0;
  std::int32_t BlockAddress = 0;
  std::uint8_t BlockChecksum = 0;
  std::int16_t EepromIndex = 0;
  std::array<std::uint8_t, kSettingsArraySize> SettingsBytes{};
  std::uint8_t FirmwareMajor = 0;
  std::uint8_t FirmwareMinor = 0;
  std::uint8_t DeviceModel = 0;

  // --- Program state ---
  std::string MatrixString;  // the LED matrix text (UTF-8)
  std::int16_t ColorSlot = 0;
  Flag QuitRequested = kFalse;
  Flag Flashing = kFalse;
  Flag DeviceFound = kFalse;
  Flag FirmwareLoaded = kFalse;
  Flag FirmwareKnown = kFalse;
  Flag DeviceCheckFailed = kFalse;

  // --- Firmware update ---
  std::vector<std::uint8_t> RawFirmware;  // the firmware file's bytes as read
  std::uint8_t NewFirmwareMajor = 0;      // version of the firmware in the file
  std::uint8_t NewFirmwareMinor = 0;

 private:
  D2xx* ftdi_;
  UserInterface* ui_;
};

}  // namespace nimbo

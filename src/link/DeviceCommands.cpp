// The six device operations: each sends its frames over the link, reads the
// replies in the pieces the device sends them and checks them. Each stops at
// the first step that leaves LinkStatus non-zero; none retries.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "link/Frames.h"
#include "link/NimboModule.h"

namespace nimbo {

namespace {

// The exchanged settings bytes always fit the array.
static_assert(kSettingsCount <= static_cast<int>(kSettingsArraySize));

// Both queues: stale bytes of an earlier exchange must not be taken for the
// reply to this one.
constexpr std::uint32_t kPurgeBoth = ft::kPurgeRx | ft::kPurgeTx;

// Discards what an earlier exchange left queued: a reply that came after its
// read had timed out, or bytes beyond the reply. Its status is not acted on:
// a link that fails here fails the exchange that follows.
void DiscardStaleBytes(NIMBOmodule& module) {
  static_cast<void>(module.Ftdi().Purge(module.LinkHandle, kPurgeBoth));
}

// Ends the operation on a failed check, naming what failed.
void Reject(NIMBOmodule& module, LinkCause cause) {
  module.LinkStatus = kLinkReadFailure;
  module.FailureCause = cause;
}

// Why a reply does not begin with `letters`: a late answer to an earlier
// frame, where its letters tell, else a garbled echo.
LinkCause EchoFault(std::span<const std::uint8_t> reply, std::string_view letters) {
  return frames::EchoOfAnotherCommand(reply, letters) ? LinkCause::LateReply : LinkCause::WrongEcho;
}

// Why a write acknowledgement (the letters, then 0x01) is not one.
LinkCause AcknowledgementFault(std::span<const std::uint8_t> reply, std::string_view letters) {
  return frames::EchoMatches(reply, letters) ? LinkCause::Refused : EchoFault(reply, letters);
}

// Puts `frame` in the transmit buffer and sends it; true on success.
bool Send(NIMBOmodule& module, std::span<const std::uint8_t> frame) {
  std::copy(frame.begin(), frame.end(), module.TxBuffer.begin());
  module.TxCount = static_cast<std::int32_t>(frame.size());
  module.SendFrame();
  return module.LinkStatus == 0;
}

// Reads `count` reply bytes into the reply buffer; true on success.
bool Receive(NIMBOmodule& module, std::int32_t count) {
  module.RxCount = count;
  module.ReadReply();
  return module.LinkStatus == 0;
}

std::span<const std::uint8_t> Reply(const NIMBOmodule& module, std::int32_t count) {
  return std::span<const std::uint8_t>(module.RxBuffer).first(static_cast<std::size_t>(count));
}

// Splits an address into AddressLo/AddressHi. An address that two bytes
// cannot carry fails with LinkStatus 8 before anything is sent.
std::optional<frames::AddressBytes> UseAddress(NIMBOmodule& module, std::int32_t address) {
  const auto bytes = frames::SplitAddress(address);
  if (!bytes) {
    Reject(module, LinkCause::BadRequest);
    return std::nullopt;
  }
  module.AddressLo = bytes->lo;
  module.AddressHi = bytes->hi;
  return bytes;
}

// Sends the 4-byte request and checks the 2-letter echo that opens the reply.
bool RequestBlock(NIMBOmodule& module, frames::AddressBytes address) {
  if (!Send(module, frames::AddressedRequest("RM", address)) ||
      !Receive(module, frames::kEchoLength)) {
    return false;
  }
  const auto echo = Reply(module, frames::kEchoLength);
  module.ReplyEcho = frames::EchoText(echo);
  if (!frames::EchoMatches(echo, "RM")) {
    Reject(module, EchoFault(echo, "RM"));
    return false;
  }
  return true;
}

bool BlockFitsImage(const NIMBOmodule& module) {
  const std::int64_t end = static_cast<std::int64_t>(module.BlockOffset) + kBlockSize;
  return module.BlockOffset >= 0 && end <= static_cast<std::int64_t>(module.MemoryImage.size());
}

}  // namespace

void NIMBOmodule::ReadDeviceInfo() {
  if (!Send(*this, frames::InfoRequest()) || !Receive(*this, frames::kInfoReplyLength)) {
    return;
  }
  const auto reply = Reply(*this, frames::kInfoReplyLength);
  ReplyEcho = frames::EchoText(reply);
  // A reply with another echo is ignored: the version stays as it was and
  // LinkStatus 0; only the cause is kept, for a caller that names it.
  if (const auto info = frames::ParseDeviceInfo(reply)) {
    DeviceModel = info->model;
    FirmwareMajor = info->major;
    FirmwareMinor = info->minor;
  } else {
    FailureCause = EchoFault(reply, "IF");
  }
}

void NIMBOmodule::ReadMemoryBlock() {
  const auto address = UseAddress(*this, BlockAddress);
  if (!address) {
    return;
  }
  if (!BlockFitsImage(*this)) {
    // Refused before the request so that no reply is left queued.
    Reject(*this, LinkCause::BadRequest);
    return;
  }
  // A late reply to an earlier attempt would otherwise answer this one, and
  // every later block would be read one reply behind.
  DiscardStaleBytes(*this);
  if (!RequestBlock(*this, *address)) {
    return;
  }
  RxCount = static_cast<std::int32_t>(kBlockSize);
  ReadBlockData();
  if (LinkStatus != 0 || !Receive(*this, frames::kBlockTrailerLength)) {
    return;
  }
  // The checksum is kept for the caller but not compared in the read form.
  BlockChecksum = RxBuffer[0];
  if (RxBuffer[1] != frames::kAcknowledge) {
    Reject(*this, LinkCause::Refused);
  }
}

void NIMBOmodule::WriteMemoryBlock() {
  const auto address = UseAddress(*this, BlockAddress);
  if (!address) {
    return;
  }
  DiscardStaleBytes(*this);
  const auto block = std::span<const std::uint8_t>(BlockOut).first(kBlockSize);
  BlockChecksum = frames::Checksum(*address, block);
  if (!Send(*this, frames::AddressedRequest("WM", *address))) {
    return;
  }
  // The block goes in one direct write of its own, straight from BlockOut.
  TxCount = static_cast<std::int32_t>(kBlockSize);
  TxWritten = 0;
  std::uint32_t written = 0;
  const FtStatus status = Ftdi().Write(LinkHandle, block, written);
  LinkStatus = static_cast<std::int32_t>(status);
  FailureCause = CauseOfStatus(status);
  TxWritten = static_cast<std::int32_t>(written > kBlockSize ? kBlockSize : written);
  if (LinkStatus != 0) {
    return;
  }
  const std::uint8_t trailer[] = {BlockChecksum};
  if (!Send(*this, trailer) || !Receive(*this, frames::kWriteAckLength)) {
    return;
  }
  const auto reply = Reply(*this, frames::kWriteAckLength);
  ReplyEcho = frames::EchoText(reply);
  if (!frames::WriteAcknowledged(reply, "WM")) {
    Reject(*this, AcknowledgementFault(reply, "WM"));
  }
}

void NIMBOmodule::VerifyMemoryBlock() {
  const auto address = UseAddress(*this, BlockAddress);
  if (!address) {
    return;
  }
  DiscardStaleBytes(*this);
  if (!RequestBlock(*this, *address)) {
    return;
  }
  RxCount = static_cast<std::int32_t>(kBlockSize);
  ReadVerifyData();
  if (LinkStatus != 0 || !Receive(*this, frames::kBlockTrailerLength)) {
    return;
  }
  // Both bytes are examined; either one wrong fails the verify.
  const bool checksumWrong = RxBuffer[0] != BlockChecksum;
  const bool refused = RxBuffer[1] != frames::kAcknowledge;
  if (checksumWrong || refused) {
    Reject(*this, refused ? LinkCause::Refused : LinkCause::WrongChecksum);
  }
}

void NIMBOmodule::ReadEeprom() {
  // Once per transfer, not per byte: a stale reply would shift every byte of
  // the transfer by one, and a purge per byte would slow the transfer down.
  DiscardStaleBytes(*this);
  // A local index: EepromIndex is shared and only reports where the loop is.
  for (std::int16_t index = 0; index < kSettingsCount; ++index) {
    EepromIndex = index;
    const auto address = UseAddress(*this, index);
    if (!address || !Send(*this, frames::AddressedRequest("RE", *address)) ||
        !Receive(*this, frames::kEepromReadReplyLength)) {
      return;
    }
    const auto reply = Reply(*this, frames::kEepromReadReplyLength);
    ReplyEcho = frames::EchoText(reply);
    BlockChecksum = frames::Checksum(*address, reply.subspan(2, 1));
    const auto data = frames::EepromReadData(reply, *address);
    if (!data) {
      Reject(*this, !frames::EchoMatches(reply, "RE")  ? EchoFault(reply, "RE")
                    : reply[4] != frames::kAcknowledge ? LinkCause::Refused
                                                       : LinkCause::WrongChecksum);
      return;
    }
    SettingsBytes[static_cast<std::size_t>(index)] = *data;
  }
  EepromIndex = kSettingsCount;
}

void NIMBOmodule::WriteEeprom() {
  // As for ReadEeprom: a stale acknowledgement taken for byte 0 would shift
  // every later one, and a refused last byte would pass as written.
  DiscardStaleBytes(*this);
  for (std::int16_t index = 0; index < kSettingsCount; ++index) {
    EepromIndex = index;
    const auto address = UseAddress(*this, index);
    if (!address) {
      return;
    }
    const auto frame =
        frames::EepromWriteFrame(*address, SettingsBytes[static_cast<std::size_t>(index)]);
    BlockChecksum = frame[5];
    if (!Send(*this, frame) || !Receive(*this, frames::kWriteAckLength)) {
      return;
    }
    const auto reply = Reply(*this, frames::kWriteAckLength);
    ReplyEcho = frames::EchoText(reply);
    if (!frames::WriteAcknowledged(reply, "WE")) {
      Reject(*this, AcknowledgementFault(reply, "WE"));
      return;
    }
  }
  EepromIndex = kSettingsCount;
}

}  // namespace nimbo

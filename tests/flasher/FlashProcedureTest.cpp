// The device check and the flash against the simulated device: messages,
// texts, the shared tries of a block, and what the device holds afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flasher/FlasherRig.h"

namespace nimbo::flasher {
namespace {

using sim::Fault;
using Messages = std::vector<std::string>;

constexpr const char* kNotResponding =
    "NIMBO Not Responding! Restart in Update Mode! | NIMBO Not Found!";
constexpr const char* kWriteError =
    "CPU write error! Data is corrupted!  Re-try update! | Write Failure!";
constexpr const char* kVerifyError =
    "CPU verify error!  Data is corrupted!  Re-try update! | Verify Failure!";
constexpr const char* kInvalidFile = "Invalid or missing firmware file! | Unable to update!";
constexpr const char* kUnknownFirmware = "Unknown firmware! | Unable to update!";

class FlashTest : public ::testing::Test, protected test::FlasherRig {
 protected:
  FlashOutcome CheckAndFlash() {
    EXPECT_EQ(update.CheckDevice(), CheckResult::Offered)
        << ::testing::PrintToString(MessageTexts());
    StartCase();
    return update.FlashFirmware();
  }
};

TEST_F(FlashTest, AWholeFlashLeavesTheImageAndTheKeptText) {
  const auto text = TextImage();
  device.Model() = 'C';
  EXPECT_EQ(update.CheckDevice(), CheckResult::Offered);
  EXPECT_EQ(ui.LastStatus(), "Current Firmware: v1.0  -  New Firmware: v1.2");
  EXPECT_EQ(view.deviceName, "NIMBOC");
  EXPECT_EQ(view.offers, 1);
  EXPECT_FALSE(WroteMemory());

  StartCase();
  EXPECT_EQ(update.FlashFirmware().result, FlashResult::Completed);
  EXPECT_EQ(MessageTexts(), Messages{});
  EXPECT_EQ(module.DeviceCheckFailed, kFalse);
  EXPECT_EQ(module.Flashing, kFalse);
  EXPECT_EQ(view.progressShown, 1);
  ASSERT_EQ(ui.statusTexts.size(), 450u);
  EXPECT_EQ(ui.statusTexts.front(), "Flashing CPU...0%");
  EXPECT_EQ(ui.statusTexts[99], "Flashing CPU...22%");
  EXPECT_EQ(ui.statusTexts.back(), "Flashing CPU...100%");
  EXPECT_EQ(ui.progress.back(), std::make_pair(449, 449));
  EXPECT_EQ(ui.sleeps, std::vector<int>{500});
  // Program data everywhere, also at 0x2180..0x22FF behind the text, and
  // the user's text at 0x2000..0x217F.
  EXPECT_EQ(FirstProgramDifference(test::kTextImageBegin, test::kTextImageEnd), std::nullopt);
  EXPECT_EQ(DeviceText(), text);

  // With the matrix reset the device holds exactly the image.
  view.options.matrixReset = MatrixStringReset::Yes;
  UseImage(SampleFirmwareImage(0x12, 9));
  EXPECT_EQ(CheckAndFlash().result, FlashResult::Completed);
  EXPECT_EQ(FirstProgramDifference(), std::nullopt);
}

// Failed attempts on block 100; only failed attempts draw on its ten tries.
TEST_F(FlashTest, TheTenTriesOfABlockAreSharedByItsWriteAndItsVerify) {
  struct Case {
    int failedWrites;
    int failedVerifies;
    FlashResult result;
    Messages messages;
  };
  const Case cases[] = {
      {9, 0, FlashResult::Completed, {}},
      {4, 5, FlashResult::Completed, {}},  // one try left
      {4, 6, FlashResult::VerifyFailed, {kVerifyError, kNotResponding}},
      {10, 0, FlashResult::WriteFailed, {kWriteError}},
  };
  constexpr int kBlock = 100;
  const std::size_t blockStart = 72 + 64 * kBlock;
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.failedWrites << " writes, " << c.failedVerifies << " verifications failed");
    device.ClearFaults();
    device.AddFault({.fault = Fault::Refuse,
                     .command = "WM",
                     .address = test::BlockAddress(kBlock),
                     .times = c.failedWrites});
    device.AddFault({.fault = Fault::CorruptReadBack,
                     .command = "RM",
                     .address = test::BlockAddress(kBlock),
                     .times = c.failedVerifies,
                     .corruptAt = 17});
    // Each case writes other program data, so a block left unwritten shows.
    UseImage(SampleFirmwareImage(
        0x12, static_cast<std::uint32_t>(c.failedWrites * 16 + c.failedVerifies)));
    const FlashOutcome outcome = CheckAndFlash();
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(MessageTexts(), c.messages);
    if (c.result == FlashResult::Completed) {
      EXPECT_EQ(module.DeviceCheckFailed, kFalse);
      EXPECT_EQ(FirstProgramDifference(test::kTextImageBegin, test::kTextImageEnd), std::nullopt);
      continue;
    }
    EXPECT_EQ(module.DeviceCheckFailed, kTrue);
    ASSERT_TRUE(outcome.failure.has_value());
    EXPECT_EQ(outcome.failure->block, kBlock);
    EXPECT_EQ(outcome.failure->address, test::BlockAddress(kBlock));
    EXPECT_EQ(outcome.failure->tries, 10);
    // Blocks before it are flashed, none after it; the failing block is
    // written, unverified, only when its write went through.
    EXPECT_EQ(FirstProgramDifference(),
              blockStart + (c.result == FlashResult::WriteFailed ? 0 : 64));
    if (c.result == FlashResult::VerifyFailed) {
      ASSERT_TRUE(outcome.failure->difference.has_value());
      EXPECT_EQ(outcome.failure->difference->offset, 17);
      EXPECT_EQ(outcome.failure->difference->expected, image[blockStart + 17]);
      EXPECT_EQ(outcome.failure->difference->read, image[blockStart + 17] ^ 0xFF);
    }
  }
}

TEST_F(FlashTest, RefusedChecksSayWhyAndNeverWrite) {
  auto unknown = image;
  unknown[4] = 1;
  test::WriteFirmware(folder.File("unknown.fwu"), unknown);
  auto foreign = image;
  foreign[1] = 'X';
  test::WriteFirmware(folder.File("foreign.fwu"), foreign);
  test::WriteBytes(folder.File("short.fwu"), std::vector<std::uint8_t>(kFirmwareFileSize / 2));
  test::WriteFirmware(folder.File("update.bin"), image);

  const std::pair<std::optional<std::string>, const char*> cases[] = {
      {folder.File("unknown.fwu"), kUnknownFirmware},
      {folder.File("foreign.fwu"), kUnknownFirmware},
      {folder.File("short.fwu"), kInvalidFile},
      {folder.File("update.bin"), kInvalidFile},
      {folder.Path().string() + "/", kInvalidFile},
      {std::nullopt, kInvalidFile},
  };
  for (const auto& [answer, message] : cases) {
    SCOPED_TRACE(answer.value_or("(cancelled)"));
    StartCase();
    chooser.answer = answer;
    EXPECT_NE(update.CheckDevice(), CheckResult::Offered);
    EXPECT_EQ(MessageTexts(), Messages{message});
    EXPECT_EQ(module.DeviceCheckFailed, kTrue);
    EXPECT_EQ(view.offers, 0);
    // A flash without a passed check writes nothing either.
    EXPECT_EQ(update.FlashFirmware().result, FlashResult::NotChecked);
    EXPECT_FALSE(WroteMemory());
  }
}

TEST_F(FlashTest, ADeviceOutOfUpdateModeIsNotOfferedAFlash) {
  // Answered once; then restarted outside update mode: its old version must
  // not be shown again.
  ASSERT_EQ(update.CheckDevice(), CheckResult::Offered);
  device.CurrentMode() = sim::Mode::Normal;
  StartCase();
  EXPECT_EQ(update.CheckDevice(), CheckResult::NotInUpdateMode);
  EXPECT_EQ(MessageTexts(), Messages{"NIMBO not in update mode!  | NIMBO Control"});
  EXPECT_EQ(ui.messages.front().icon, MessageIcon::Critical);
  EXPECT_EQ(module.DeviceCheckFailed, kTrue);

  // Back in update mode, but the "IF" reply comes with the wrong echo.
  device.CurrentMode() = sim::Mode::Update;
  device.AddFault({.fault = Fault::WrongEcho, .command = "IF", .address = {}});
  EXPECT_EQ(update.CheckDevice(), CheckResult::NotInUpdateMode);
  EXPECT_EQ(update.CheckDevice(), CheckResult::Offered);
}

TEST_F(FlashTest, TheLedTextIsReadAgainWhenTheLoadCouldNotReadIt) {
  module.DeviceFound = kFalse;
  const std::string text = module.MatrixString;
  module.MatrixString.clear();
  EXPECT_EQ(update.CheckDevice(), CheckResult::Offered);
  EXPECT_EQ(module.MatrixString, text);

  module.DeviceFound = kFalse;
  device.AddFault({.fault = Fault::NoReply, .command = "RM", .address = 0x2000, .times = -1});
  StartCase();
  EXPECT_EQ(update.CheckDevice(), CheckResult::NotResponding);
  EXPECT_EQ(MessageTexts(), Messages{kNotResponding});
  EXPECT_EQ(module.DeviceCheckFailed, kTrue);
}

TEST_F(FlashTest, AUsbFailureUnloadsTheWindowBeforeItsMessage) {
  transport.FailCall("Purge", ft::kIoError);
  EXPECT_EQ(update.CheckDevice(), CheckResult::UsbFailure);
  EXPECT_EQ(MessageTexts(), Messages{"USB Connection Failure! | USB Error"});
  EXPECT_EQ(view.messagesWhenUnloaded, 0u);
  EXPECT_EQ(module.DeviceCheckFailed, kTrue);
}

}  // namespace
}  // namespace nimbo::flasher

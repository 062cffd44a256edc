// Many flashes against a device that misbehaves at random: a reported
// success always leaves the firmware in the device, and a failure always
// says one of the flasher's own messages.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "flasher/FlasherRig.h"

namespace nimbo::flasher {
namespace {

constexpr int kRuns = 200;

TEST(FlashSoak, EverySuccessIsTrueAndEveryFailureSaysWhy) {
  const std::set<std::string> known = {
      "NIMBO not in update mode! ",
      "NIMBO Not Responding! Restart in Update Mode!",
      "CPU write error! Data is corrupted!  Re-try update!",
      "CPU verify error!  Data is corrupted!  Re-try update!",
      "Device write error! Data is corrupted!  Re-try update!",
      "Device verify error!  Data is corrupted!  Re-try update!",
  };
  test::FlasherRig rig;
  const std::vector<std::uint8_t> keptText = rig.TextImage();
  rig.device.SetRandomFaults({.seed = 20261206, .probability = 0.0015});
  int successes = 0;
  for (std::uint32_t run = 0; run < std::uint32_t{kRuns}; ++run) {
    SCOPED_TRACE(::testing::Message() << "run " << run);
    rig.StartCase();
    // A person clicks again a while later; late replies have arrived by then.
    rig.clock.SleepUntil(rig.clock.Now() + 2'000'000);
    // Fresh program data each run: a block the device did not store shows.
    rig.UseImage(SampleFirmwareImage(0x12, run + 1));
    const bool keepText = run % 2 == 0;
    rig.view.options.matrixReset = keepText ? MatrixStringReset::No : MatrixStringReset::Yes;
    if (rig.update.CheckDevice() == CheckResult::Offered &&
        rig.update.FlashFirmware().result == FlashResult::Completed) {
      ++successes;
      ASSERT_EQ(rig.FirstProgramDifference(keepText ? test::kTextImageBegin : 0,
                                           keepText ? test::kTextImageEnd : 0),
                std::nullopt);
      ASSERT_TRUE(!keepText || rig.DeviceText() == keptText);
      ASSERT_TRUE(rig.ui.messages.empty());
      continue;
    }
    ASSERT_FALSE(rig.ui.messages.empty());
    for (const auto& message : rig.ui.messages) {
      EXPECT_TRUE(known.contains(message.text)) << message.text;
    }
  }
  // The fault rate is meant to give both outcomes often.
  EXPECT_GT(successes, kRuns / 10);
  EXPECT_LT(successes, kRuns * 9 / 10);
}

}  // namespace
}  // namespace nimbo::flasher

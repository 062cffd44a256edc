// Many write-and-check rounds against a device that misbehaves at random: the
// operations may fail, but never report success while the device holds other
// bytes than were written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "LinkFixture.h"

namespace nimbo::test {
namespace {

class Soak : public LinkFixture {
 protected:
  // Per fault kind and exchange; an EEPROM round is 136 exchanges, a block
  // round two.
  void Start(double probability) {
    Open();
    device.SetRandomFaults({.seed = 20240611, .probability = probability});
  }
  std::mt19937 random{7};
  std::uint8_t RandomByte() { return static_cast<std::uint8_t>(random() & 0xFF); }
};

TEST_F(Soak, WriteAndVerifyNeverPassesOverWrongMemory) {
  Start(0.02);
  int passed = 0;
  for (int round = 0; round < 300; ++round) {
    module.BlockAddress = static_cast<std::int32_t>(0x20 + 32 * (random() % 450));
    std::generate_n(module.BlockOut.begin(), kBlockSize, [&] { return RandomByte(); });
    module.WriteMemoryBlock();
    if (module.LinkStatus != 0) {
      continue;
    }
    module.VerifyMemoryBlock();
    if (module.LinkStatus == 0) {
      ++passed;
      ASSERT_TRUE(std::equal(module.BlockOut.begin(), module.BlockOut.begin() + kBlockSize,
                             DeviceBlock(module.BlockAddress).begin()))
          << "round " << round;
    }
  }
  EXPECT_GT(passed, 0);  // the faults are rare enough for most rounds to pass
}

TEST_F(Soak, EepromWriteThenMatchingReadMeansTheDeviceHoldsIt) {
  Start(0.002);
  int passed = 0;
  for (int round = 0; round < 200; ++round) {
    Bytes written(kSettingsCount);
    std::generate(written.begin(), written.end(), [&] { return RandomByte(); });
    std::copy(written.begin(), written.end(), module.SettingsBytes.begin());
    module.WriteEeprom();
    if (module.LinkStatus != 0) {
      // Stale replies of a failed exchange would upset the next round.
      transport.Purge(module.LinkHandle, 3);
      continue;
    }
    module.SettingsBytes.fill(0);
    module.ReadEeprom();
    const bool matches = std::equal(written.begin(), written.end(), module.SettingsBytes.begin());
    if (module.LinkStatus == 0 && matches) {
      ++passed;
      ASSERT_TRUE(std::equal(written.begin(), written.end(), device.Eeprom().begin()))
          << "round " << round;
    }
    transport.Purge(module.LinkHandle, 3);
  }
  EXPECT_GT(passed, 0);
}

}  // namespace
}  // namespace nimbo::test

// Frame bytes and reply checks, on byte arrays alone.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "link/Frames.h"

namespace nimbo::frames {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Frames, SplitAddressLowByteFirstAndOnlyTwoBytes) {
  struct Case {
    std::int32_t address;
    std::optional<std::pair<int, int>> loHi;
  };
  const Case cases[] = {{0, {{0, 0}}},      {0x20, {{0x20, 0}}},      {255, {{255, 0}}},
                        {256, {{0, 1}}},    {0x385F, {{0x5F, 0x38}}}, {65535, {{255, 255}}},
                        {-1, std::nullopt}, {65536, std::nullopt},    {-65536, std::nullopt}};
  for (const auto& c : cases) {
    const auto split = SplitAddress(c.address);
    ASSERT_EQ(split.has_value(), c.loHi.has_value()) << c.address;
    if (split) {
      EXPECT_EQ(split->lo, c.loHi->first) << c.address;
      EXPECT_EQ(split->hi, c.loHi->second) << c.address;
    }
  }
}

TEST(Frames, WorkedExamplesOfTheChecksum) {
  // "WE" of 0x41 at EEPROM address 3: 03 ^ 00 ^ 41 ^ 08 = 4A.
  EXPECT_EQ(EepromWriteFrame({3, 0}, 0x41),
            (std::array<std::uint8_t, 6>{0x57, 0x45, 3, 0, 0x41, 0x4A}));
  // "WM" of 64 zeros at 0x0020: 20 ^ 00 ^ 08 = 28.
  const std::array<std::uint8_t, 64> zeros{};
  EXPECT_EQ(Checksum({0x20, 0}, zeros), 0x28);
  // Every data byte takes part: 0x01..0x40 xor together to 0x40, then 5F ^ 38 ^ 08 ^ 40.
  std::array<std::uint8_t, 64> ramp{};
  for (std::size_t i = 0; i < ramp.size(); ++i) {
    ramp[i] = static_cast<std::uint8_t>(i + 1);
  }
  EXPECT_EQ(Checksum({0x5F, 0x38}, ramp), 0x5F ^ 0x38 ^ 0x08 ^ 0x40);
}

TEST(Frames, ReplyChecks) {
  EXPECT_TRUE(WriteAcknowledged(Bytes{'W', 'M', 1}, "WM"));
  EXPECT_FALSE(WriteAcknowledged(Bytes{'W', 'M', 0}, "WM"));
  EXPECT_FALSE(WriteAcknowledged(Bytes{'w', 'M', 1}, "WM"));  // exact case
  EXPECT_FALSE(WriteAcknowledged(Bytes{'W', 'E', 1}, "WM"));
  EXPECT_FALSE(WriteAcknowledged(Bytes{'W', 'M'}, "WM"));  // too short
}

TEST(Frames, EepromReadReplyNeedsEchoAcknowledgeAndChecksum) {
  // Address 5, data 0x41: checksum 05 ^ 00 ^ 41 ^ 08 = 0x4C.
  struct Case {
    Bytes reply;
    std::optional<std::uint8_t> data;
  };
  const Case cases[] = {
      {{'R', 'E', 0x41, 0x4C, 0x01}, 0x41},
      {{'R', 'E', 0x41, 0x4D, 0x01}, std::nullopt},  // checksum off by one bit
      {{'R', 'E', 0x41, 0x4C, 0x00}, std::nullopt},  // refused
      {{'r', 'e', 0x41, 0x4C, 0x01}, std::nullopt},  // echo is case-sensitive
      {{'R', 'E', 0x41, 0x4C}, std::nullopt},        // short
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EepromReadData(c.reply, {5, 0}), c.data);
  }
}

}  // namespace
}  // namespace nimbo::frames

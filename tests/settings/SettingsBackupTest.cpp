// Settings backups: what is written reads back exactly, every kind of damage
// is refused with its reason, and the change list names every change.
#include <gtest/gtest.h>

#include <string>

#include "settings/FactoryDefaults.h"
#include "settings/SettingsBackup.h"

namespace nimbo::settings {
namespace {

SettingsArray Sample() {
  SettingsArray bytes{};
  for (int i = 0; i < kSettingsCount; ++i) {
    bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 37 + 5);
  }
  return bytes;
}

// Replaces the first occurrence of `from` in `text`.
std::string Edited(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(SettingsBackup, WhatIsWrittenReadsBackExactlyAndShowsItsFields) {
  const SettingsArray bytes = Sample();
  const std::string file = FormatBackup(bytes, "written by a test");
  std::string error;
  const auto parsed = ParseBackup(file, error);
  ASSERT_TRUE(parsed) << error;
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + kSettingsCount, parsed->begin()));
  EXPECT_TRUE(file.starts_with("NIMBO settings backup 1\n# written by a test\n"));
  EXPECT_NE(file.find("\n# LED 1: "), std::string::npos);
  // Windows line ends and edited comments do not matter.
  std::string crlf;
  for (char c : Edited(file, "# LED 1: ", "# a note of my own, LED 1: ")) {
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  }
  EXPECT_TRUE(ParseBackup(crlf, error)) << error;
}

TEST(SettingsBackup, DamagedTruncatedAndForeignFilesAreRefusedWithTheirReason) {
  const std::string good = FormatBackup(Sample(), "x");
  const std::string firstBytes = good.substr(good.find("\nbytes ") + 1, 9);  // "bytes 05 "
  const std::string crcLine = good.substr(good.find("\ncrc32 ") + 1);
  const struct {
    const char* name;
    std::string text;
    const char* reason;
  } cases[] = {
      {"empty", "", "empty"},
      {"foreign", "PK\x03\x04 not a backup\n", "not a NIMBO settings backup"},
      {"newer format", Edited(good, "backup 1", "backup 2"), "another format version"},
      {"bad hex", Edited(good, firstBytes, "bytes 0G "), "damaged"},
      {"a byte missing", Edited(good, firstBytes, "bytes "), "damaged"},
      {"a byte too many", Edited(good, firstBytes, firstBytes + "00 "), "damaged"},
      {"truncated", good.substr(0, good.find("\ncrc32") + 1), "checksum line is missing"},
      {"a changed byte", Edited(good, firstBytes, "bytes 06 "), "checksum does not match"},
      {"unknown line", Edited(good, "crc32", "colour 1\ncrc32"), "unknown line"},
      {"bytes after checksum", good + firstBytes + "\n", "after the checksum"},
      {"two checksums", good + crcLine, "second checksum"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseBackup(c.text, error)) << c.name;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
  }
}

TEST(SettingsBackup, ChangesNameEachFieldAndEachByteNoFieldShows) {
  SettingsArray current{};
  WriteFactoryDefaults(current);
  EXPECT_TRUE(DescribeChanges(current, current).empty());

  SettingsArray restored = current;
  restored[2] = static_cast<std::uint8_t>((current[2] & ~7) | ((current[2] + 1) % 5));  // LED 1
  restored[0] ^= 0x5A;   // not a field
  restored[1] ^= 0x80;   // a bit no field decodes
  restored[40] ^= 0x01;  // colour slot 0, red
  const auto changes = DescribeChanges(current, restored);
  ASSERT_EQ(changes.size(), 4u);
  EXPECT_TRUE(changes[0].starts_with("LED 1: ")) << changes[0];
  EXPECT_NE(changes[0].find(" -> "), std::string::npos);
  EXPECT_TRUE(changes[1].starts_with("IRQ High: #")) << changes[1];
  EXPECT_TRUE(changes[2].starts_with("byte 0: ")) << changes[2];
  EXPECT_TRUE(changes[3].starts_with("byte 1: ")) << changes[3];
}

}  // namespace
}  // namespace nimbo::settings

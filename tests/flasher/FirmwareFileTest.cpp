// The firmware update file: decoding, its inverse, the header check, and
// reading files of every kind without hanging or reading too much.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "flasher/FirmwareCodec.h"
#include "flasher/FirmwareFile.h"
#include "flasher/FlasherRig.h"
#include "flasher/LoadFirmware.h"
#include "flasher/SampleFirmware.h"

namespace nimbo::flasher {
namespace {

using test::ScratchFolder;
using test::WriteBytes;
using test::WriteFirmware;

TEST(FirmwareCodec, DecodesEachGroupWithTheRunningKey) {
  // Group 0: 0x41 ^ 0xA7 ^ (1 + 2 + 3) = 0xE0; the key becomes 0xAD.
  // Group 1: 0x00 ^ 0xAD ^ (0xFF + 0x01 + 0x00 = 0x00) = 0xAD.
  // Group 2: key 0xAD + 0 stays; fillers 0x80 + 0x80 + 0x01 = 0x01: 0x10 ^ 0xAD ^ 0x01 = 0xBC.
  const std::vector<std::uint8_t> file = {0x41, 1,    2,    3,    0x00, 0xFF,
                                          0x01, 0x00, 0x10, 0x80, 0x80, 0x01};
  std::vector<std::uint8_t> image(3);
  DecodeFirmwareBytes(file, image);
  EXPECT_EQ(image, (std::vector<std::uint8_t>{0xE0, 0xAD, 0xBC}));
}

TEST(FirmwareCodec, AChangedFillerByteChangesItsImageByteAndEveryLaterOne) {
  const auto image = SampleFirmwareImage();
  auto file = EncodeFirmwareBytes(image, 5);
  constexpr std::size_t k = 1000;
  file[4 * k + 2] ^= 0x01;
  std::vector<std::uint8_t> decoded(kFirmwareImageSize);
  DecodeFirmwareBytes(file, decoded);
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + k, decoded.begin()));
  // The key differs from group k on: every later byte is off by a key whose
  // low byte differs, so no later byte survives.
  for (std::size_t i = k; i < kFirmwareImageSize; ++i) {
    ASSERT_NE(decoded[i], image[i]) << "image byte " << i;
  }
}

TEST(FirmwareCodec, EncodingRoundTripsForEverySeed) {
  const auto image = SampleFirmwareImage(0x15, 77);
  for (const std::uint64_t seed : {0ull, 1ull, 0xFFFFFFFFFFFFFFFFull}) {
    const auto file = EncodeFirmwareBytes(image, seed);
    ASSERT_EQ(file.size(), kFirmwareFileSize);
    std::vector<std::uint8_t> decoded(kFirmwareImageSize);
    DecodeFirmwareBytes(file, decoded);
    EXPECT_EQ(decoded, image) << "seed " << seed;
  }
  EXPECT_NE(EncodeFirmwareBytes(image, 1), EncodeFirmwareBytes(image, 2));
  EXPECT_EQ(EncodeFirmwareBytes(image, 3), EncodeFirmwareBytes(image, 3));
}

TEST(FirmwareCodec, HeaderAndVersionText) {
  struct Case {
    std::vector<std::uint8_t> head;
    bool signature;
    bool known;
    const char* version;
  };
  const Case cases[] = {
      {{'F', 'W', 0, 0x15, 0}, true, true, "1.5"},
      {{'F', 'W', 9, 0x12, 1}, true, false, "1.2"},  // byte 4 = 1: unknown
      {{'F', 'w', 0, 0x12, 0}, false, false, nullptr},
      {{'F', 'W', 0, 0x12}, false, false, nullptr},  // too short to hold a header
  };
  for (const Case& c : cases) {
    const FirmwareHeader header = ReadFirmwareHeader(c.head);
    EXPECT_EQ(header.signature, c.signature);
    EXPECT_EQ(header.Known(), c.known);
    if (c.version != nullptr) {
      EXPECT_EQ(VersionText(header.major, header.minor), c.version);
    }
  }
  EXPECT_EQ(VersionText(1, 0), "1.0");
  EXPECT_EQ(VersionText(1, 12), "1.2");  // only the minor number's last digit
}

TEST(FirmwareFile, ReadsTheFirstWholeFileAndRefusesEverythingElse) {
  ScratchFolder folder;
  const std::vector<std::uint8_t> whole(kFirmwareFileSize, 0x5A);
  std::vector<std::uint8_t> longer(kFirmwareFileSize + 100, 0x5A);
  longer.back() = 0x00;
  WriteBytes(folder.File("whole.fwu"), whole);
  WriteBytes(folder.File("longer.fwu"), longer);
  WriteBytes(folder.File("short.fwu"), std::vector<std::uint8_t>(kFirmwareFileSize - 1, 0x5A));
  WriteBytes(folder.File("empty.fwu"), {});
  WriteBytes(folder.File("locked.fwu"), whole);
  ::chmod(folder.File("locked.fwu").c_str(), 0);
  std::filesystem::create_directory(folder.File("folder.fwu"));
  ASSERT_EQ(::mkfifo(folder.File("pipe.fwu").c_str(), 0600), 0);

  struct Case {
    const char* name;
    FileProblem problem;
    std::size_t size;
  };
  const bool root = ::geteuid() == 0;  // root reads a file whatever its mode
  const Case cases[] = {
      {"whole.fwu", FileProblem::None, kFirmwareFileSize},
      {"longer.fwu", FileProblem::None, kFirmwareFileSize},
      {"short.fwu", FileProblem::TooShort, kFirmwareFileSize - 1},
      {"empty.fwu", FileProblem::TooShort, 0},
      {"missing.fwu", FileProblem::CannotOpen, 0},
      {"locked.fwu", root ? FileProblem::None : FileProblem::CannotOpen,
       root ? kFirmwareFileSize : 0},
      {"folder.fwu", FileProblem::NotRegularFile, 0},
      {"pipe.fwu", FileProblem::NotRegularFile, 0},  // must return, not wait for a writer
      {"", FileProblem::CannotOpen, 0},
  };
  for (const Case& c : cases) {
    const FirmwareFileRead read = ReadFirmwareFile(c.name[0] ? folder.File(c.name) : "");
    EXPECT_EQ(read.problem, c.problem) << c.name;
    EXPECT_EQ(read.bytes.size(), c.size) << c.name;
  }
  EXPECT_EQ(ReadFirmwareFile(folder.File("longer.fwu")).bytes, whole);
}

TEST(FirmwareFile, ExtensionCheckIsOnTheUpperCasedLastThreeCharacters) {
  for (const char* name : {"a.fwu", "a.Fwu", "A.FWU", "/x/y/update.fWu", "fwu", "a.bfwu"}) {
    EXPECT_TRUE(HasFirmwareExtension(name)) << name;
  }
  for (const char* name : {"a.bin", "a.fw", "a.fwu.bak", "wu", "", "a.fwü"}) {
    EXPECT_FALSE(HasFirmwareExtension(name)) << name;
  }
}

// LoadFirmware's default source.
class LoadFirmwareTest : public ::testing::Test, protected test::SimulatedRig {
 protected:
  void SetUp() override { SizeFlasherArrays(module); }

  void Load(FirmwareSource source) { LoadFirmware(module, source, chooser); }

  test::AnsweringChooser chooser;
  ScratchFolder folder;
};

TEST_F(LoadFirmwareTest, DefaultFileIsReadByItsBareNameFromTheWorkingDirectory) {
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.Path());
  chooser.answer = folder.File("elsewhere.fwu");  // must not be asked

  Load(FirmwareSource::Default);
  EXPECT_EQ(module.FirmwareLoaded, kFalse);  // no nimbo.fwu yet

  WriteFirmware(folder.File("nimbo.fwu"), SampleFirmwareImage());
  Load(FirmwareSource::Default);
  EXPECT_EQ(module.FirmwareLoaded, kTrue);
  EXPECT_EQ(module.FirmwareKnown, kTrue);
  EXPECT_EQ(module.NewFirmwareMinor, 2);
  EXPECT_EQ(chooser.asked, 0);
  std::filesystem::current_path(previous);
}

}  // namespace
}  // namespace nimbo::flasher

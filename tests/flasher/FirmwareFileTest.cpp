// The firmware update file: decoding, its inverse, the header check, and
// reading files of every kind without hanging or reading too much.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <filesystem>
#include <vector>

#include "flasher/DialogStartFolder.h"
#include "flasher/FirmwareCodec.h"
#include "flasher/FirmwareFile.h"
#include "flasher/FlasherRig.h"
#include "flasher/LoadFirmware.h"
#include "flasher/SampleFirmware.h"

namespace nimbo::flasher {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FirmwareCodec, DecodesEachGroupWithTheRunningKey) {
  // 0x41 ^ 0xA7 ^ (1 + 2 + 3) = 0xE0, key 0xAD; 0x00 ^ 0xAD ^ (0xFF + 0x01 = 0x00) = 0xAD;
  // fillers 0x80 + 0x80 + 0x01 = 0x01: 0x10 ^ 0xAD ^ 0x01 = 0xBC.
  const Bytes file = {0x41, 1, 2, 3, 0x00, 0xFF, 0x01, 0x00, 0x10, 0x80, 0x80, 0x01};
  Bytes image(3);
  DecodeFirmwareBytes(file, image);
  EXPECT_EQ(image, (Bytes{0xE0, 0xAD, 0xBC}));
}

TEST(FirmwareCodec, RoundTripsAndAChangedFillerByteChangesEveryLaterByte) {
  const auto image = SampleFirmwareImage(0x15, 77);
  for (const std::uint64_t seed : {0ull, 0xFFFFFFFFFFFFFFFFull}) {
    const auto file = EncodeFirmwareBytes(image, seed);
    ASSERT_EQ(file.size(), kFirmwareFileSize);
    Bytes decoded(kFirmwareImageSize);
    DecodeFirmwareBytes(file, decoded);
    EXPECT_EQ(decoded, image) << "seed " << seed;
  }
  EXPECT_NE(EncodeFirmwareBytes(image, 1), EncodeFirmwareBytes(image, 2));

  auto file = EncodeFirmwareBytes(image, 5);
  constexpr std::size_t k = 1000;
  file[4 * k + 2] ^= 0x01;
  Bytes decoded(kFirmwareImageSize);
  DecodeFirmwareBytes(file, decoded);
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + k, decoded.begin()));
  for (std::size_t i = k; i < kFirmwareImageSize; ++i) {
    ASSERT_NE(decoded[i], image[i]) << "image byte " << i;
  }
}

TEST(FirmwareCodec, HeaderAndVersionText) {
  struct Case {
    Bytes head;
    bool signature;
    bool known;
    const char* version;
  };
  const Case cases[] = {
      {{'F', 'W', 0, 0x15, 0}, true, true, "1.5"},
      {{'F', 'W', 9, 0x10, 1}, true, false, "1.0"},  // byte 4 = 1: unknown
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
  EXPECT_EQ(VersionText(1, 12), "1.2");  // only the minor number's last digit
}

TEST(FirmwareFile, ReadsTheFirstWholeFileAndRefusesEverythingElse) {
  test::ScratchFolder folder;
  const Bytes whole(kFirmwareFileSize, 0x5A);
  Bytes longer(kFirmwareFileSize + 100, 0x5A);
  longer.back() = 0x00;
  test::WriteBytes(folder.File("whole.fwu"), whole);
  test::WriteBytes(folder.File("longer.fwu"), longer);
  test::WriteBytes(folder.File("short.fwu"), Bytes(kFirmwareFileSize - 1, 0x5A));
  std::filesystem::create_directory(folder.File("folder.fwu"));
#ifndef _WIN32
  test::WriteBytes(folder.File("locked.fwu"), whole);
  ::chmod(folder.File("locked.fwu").c_str(), 0);
  ASSERT_EQ(::mkfifo(folder.File("pipe.fwu").c_str(), 0600), 0);
  const bool root = ::geteuid() == 0;  // root reads a file whatever its mode
#endif

  const std::pair<const char*, FileProblem> cases[] = {
      {"whole.fwu", FileProblem::None},
      {"longer.fwu", FileProblem::None},
      {"short.fwu", FileProblem::TooShort},
      {"missing.fwu", FileProblem::CannotOpen},
      {"folder.fwu", FileProblem::NotRegularFile},
#ifdef _WIN32
      {"nul.fwu", FileProblem::NotRegularFile},  // a device's name, in any folder
#else
      {"locked.fwu", root ? FileProblem::None : FileProblem::CannotOpen},
      {"pipe.fwu", FileProblem::NotRegularFile},  // must return, not wait for a writer
#endif
      {"", FileProblem::CannotOpen},
  };
  for (const auto& [name, problem] : cases) {
    const FirmwareFileRead read = ReadFirmwareFile(name[0] ? folder.File(name) : "");
    EXPECT_EQ(read.problem, problem) << name;
    if (problem == FileProblem::None) {
      EXPECT_EQ(read.bytes, whole) << name;
    }
  }
}

TEST(FirmwareFile, ExtensionCheckIsOnTheUpperCasedLastThreeCharacters) {
  for (const char* name : {"a.fwu", "a.Fwu", "/x/y/update.fWu", "fwu"}) {
    EXPECT_TRUE(HasFirmwareExtension(name)) << name;
  }
  // Each of the three characters is checked: one wrong one refuses the name.
  for (const char* name : {"a.xwu", "a.fxu", "a.fwx", "a.fwu.bak", "wu", "", "a.fwü"}) {
    EXPECT_FALSE(HasFirmwareExtension(name)) << name;
  }
}

// An installed program's dialog opens in the user's folder, any other in the
// program's own folder.
TEST(FirmwareDialog, StartsInTheUsersFolderOnlyForAnInstalledProgram) {
  const std::filesystem::path user = "/home/u/Downloads";
  for (const char* folder : {"/usr/bin", "/usr/local/bin/", "/home/u/.local/bin", "/opt/x/bin/."}) {
    EXPECT_EQ(FirmwareDialogStartFolder(folder, user), user) << folder;
  }
  for (const char* folder :
       {"/home/u/nimbo/build/src/app", "/home/u/bin/nimbo", "/home/u/binaries", "/usr/bin/.."}) {
    EXPECT_EQ(FirmwareDialogStartFolder(folder, user), folder) << folder;
  }
  EXPECT_EQ(FirmwareDialogStartFolder("/usr/bin", {}), "/usr/bin");  // no user folder known
}

TEST(LoadFirmware, DefaultFileIsReadByItsBareNameFromTheWorkingDirectory) {
  test::SimulatedRig rig;
  SizeFlasherArrays(rig.module);
  test::ScratchFolder folder;
  test::AnsweringChooser chooser;
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.Path());
  chooser.answer = folder.File("elsewhere.fwu");  // must not be asked

  LoadFirmware(rig.module, FirmwareSource::Default, chooser);
  EXPECT_EQ(rig.module.FirmwareLoaded, kFalse);  // no nimbo.fwu yet
  test::WriteFirmware(folder.File("nimbo.fwu"), SampleFirmwareImage(0x15));
  LoadFirmware(rig.module, FirmwareSource::Default, chooser);
  EXPECT_EQ(rig.module.FirmwareLoaded, kTrue);
  EXPECT_EQ(rig.module.FirmwareKnown, kTrue);
  EXPECT_EQ(rig.module.NewFirmwareMajor, 1);
  EXPECT_EQ(rig.module.NewFirmwareMinor, 5);
  EXPECT_EQ(chooser.asked, 0);
  std::filesystem::current_path(previous);
}

}  // namespace
}  // namespace nimbo::flasher

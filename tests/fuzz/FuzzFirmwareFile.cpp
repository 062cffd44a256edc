// Feeds arbitrary files to the firmware file path: reading from disk, the
// name check, decoding and the header check, as "Find Device" runs them.
// Whatever the bytes and the length, loading must end with consistent flags
// and never read or write outside its arrays; encoding must invert decoding.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "flasher/FirmwareCodec.h"
#include "flasher/LoadFirmware.h"
#include "link/NimboModule.h"
#include "link/UserInterface.h"
#include "shell/NoInterface.h"

namespace {

using nimbo::flasher::kFirmwareFileSize;
using nimbo::flasher::kFirmwareImageSize;

class OneFile final : public nimbo::flasher::FirmwareFileChooser {
 public:
  std::optional<std::string> ChooseFirmwareFile() override { return path; }
  std::optional<std::string> path;
};

void Require(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

// Lengths around the one whole file size come up more often than others.
std::size_t FileLength(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return kFirmwareFileSize;
    case 1:
      return kFirmwareFileSize + input.ConsumeIntegralInRange<std::size_t>(0, 64) - 32;
    case 2:
      return input.ConsumeIntegralInRange<std::size_t>(0, 64);
    default:
      return input.ConsumeIntegralInRange<std::size_t>(0, kFirmwareFileSize + 4096);
  }
}

// The rest of the input repeated up to `length` bytes.
std::vector<std::uint8_t> FileBytes(FuzzedDataProvider& input, std::size_t length) {
  const std::vector<std::uint8_t> pattern = input.ConsumeRemainingBytes<std::uint8_t>();
  std::vector<std::uint8_t> bytes(length, 0);
  for (std::size_t i = 0; i < length && !pattern.empty(); ++i) {
    bytes[i] = pattern[i % pattern.size()];
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const bool firmwareName = input.ConsumeBool();
  const std::uint64_t seed = input.ConsumeIntegral<std::uint64_t>();
  const std::size_t length = FileLength(input);
  const std::vector<std::uint8_t> bytes = FileBytes(input, length);

  static const std::string base =
      (std::filesystem::temp_directory_path() / ("fuzz-firmware-" + std::to_string(::getpid())))
          .string();
  const std::string path = base + (firmwareName ? ".Fwu" : ".bin");
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(length));
  }

  nimbo::SilentUserInterface ui;
  nimbo::shell::NoInterface ftdi;  // no device is touched on this path
  nimbo::NIMBOmodule module(ftdi, ui);
  nimbo::flasher::SizeFlasherArrays(module);
  OneFile chooser;
  chooser.path = path;
  nimbo::flasher::LoadFirmware(module, nimbo::flasher::FirmwareSource::Custom, chooser);
  ::unlink(path.c_str());

  const bool whole = firmwareName && length >= kFirmwareFileSize;
  Require((module.FirmwareLoaded == nimbo::kTrue) == whole);
  if (whole) {
    Require(module.MemoryImage.size() == kFirmwareImageSize);
    const auto header = nimbo::flasher::ReadFirmwareHeader(module.MemoryImage);
    Require((module.FirmwareKnown == nimbo::kTrue) == header.Known());
  } else {
    Require(module.FirmwareKnown == nimbo::kFalse);
  }

  // The file's bytes as an image: encoding then decoding gives them back.
  const std::size_t imageLength = std::min(bytes.size(), kFirmwareImageSize);
  const std::span<const std::uint8_t> image(bytes.data(), imageLength);
  const std::vector<std::uint8_t> encoded = nimbo::flasher::EncodeFirmwareBytes(image, seed);
  std::vector<std::uint8_t> decoded(imageLength);
  nimbo::flasher::DecodeFirmwareBytes(encoded, decoded);
  Require(std::equal(decoded.begin(), decoded.end(), image.begin()));
  return 0;
}

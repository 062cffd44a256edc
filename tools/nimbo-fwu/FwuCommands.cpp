#include "FwuCommands.h"

#include <ostream>
#include <span>
#include <string_view>
#include <vector>

#include "ShownText.h"
#include "UserFiles.h"
#include "flasher/FirmwareCodec.h"
#include "flasher/SampleFirmware.h"

namespace nimbo::fwu {

namespace {

constexpr std::uint64_t kSampleSeed = 1;
constexpr std::uint8_t kErased = 0xFF;
// The flasher reads the first 131,104 bytes of a longer file; decode takes
// what it takes, up to a size no update file comes near.
constexpr std::size_t kLargestUpdateFile = 1024 * 1024;

bool Write(const Output& output, std::span<const std::uint8_t> bytes, std::string& error) {
  const cli::FileOutcome written = cli::WriteUserFile(
      output.path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
      output.force, output.standardOutput);
  error = written.message;
  return written.Ok();
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void DescribeHeader(std::span<const std::uint8_t> image, std::ostream& notes) {
  const flasher::FirmwareHeader header = flasher::ReadFirmwareHeader(image);
  if (!header.signature) {
    notes << "header: no \"FW\" signature\n";
    return;
  }
  notes << "header: \"FW\", version " << flasher::VersionText(header.major, header.minor)
        << (header.reservedZero ? "" : ", byte 4 is not 0 (the flasher refuses it)") << '\n';
}

}  // namespace

bool Encode(const std::string& imagePath, const Output& output, std::uint64_t seed,
            std::ostream& notes, std::string& error) {
  // An output that cannot be written is refused before anything is read.
  if (const cli::FileOutcome check = cli::CheckOutputFile(output.path, output.force); !check.Ok()) {
    error = check.message;
    return false;
  }
  const auto read = cli::ReadUserFile(imagePath, flasher::kFirmwareImageSize, error);
  if (!read) {
    return false;
  }
  const std::span<const std::uint8_t> bytes = Bytes(*read);
  std::vector<std::uint8_t> image(bytes.begin(), bytes.end());
  if (image.size() < flasher::kFirmwareImageSize) {
    notes << cli::ShownName(imagePath) << ": " << image.size() << " bytes, padded with 0xFF to "
          << flasher::kFirmwareImageSize << '\n';
    image.resize(flasher::kFirmwareImageSize, kErased);
  }
  DescribeHeader(image, notes);
  return Write(output, flasher::EncodeFirmwareBytes(image, seed), error);
}

bool Decode(const std::string& fwuPath, const Output& output, std::ostream& notes,
            std::string& error) {
  if (const cli::FileOutcome check = cli::CheckOutputFile(output.path, output.force); !check.Ok()) {
    error = check.message;
    return false;
  }
  const auto read = cli::ReadUserFile(fwuPath, kLargestUpdateFile, error);
  if (!read) {
    return false;
  }
  if (read->size() < flasher::kFirmwareFileSize) {
    error = cli::ShownName(fwuPath) + ": shorter than " +
            std::to_string(flasher::kFirmwareFileSize) + " bytes, so no firmware update file";
    return false;
  }
  if (read->size() > flasher::kFirmwareFileSize) {
    notes << cli::ShownName(fwuPath) << ": the " << read->size() - flasher::kFirmwareFileSize
          << " bytes after byte " << flasher::kFirmwareFileSize
          << " are ignored, as the flasher ignores them\n";
  }
  std::vector<std::uint8_t> image(flasher::kFirmwareImageSize);
  flasher::DecodeFirmwareBytes(Bytes(*read).first(flasher::kFirmwareFileSize), image);
  DescribeHeader(image, notes);
  return Write(output, image, error);
}

bool WriteSample(const Output& output, std::string& error) {
  return Write(output, flasher::EncodeFirmwareBytes(flasher::SampleFirmwareImage(), kSampleSeed),
               error);
}

}  // namespace nimbo::fwu

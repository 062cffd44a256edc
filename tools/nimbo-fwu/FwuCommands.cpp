#include "FwuCommands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <span>
#include <system_error>
#include <vector>

#include "UserFiles.h"
#include "flasher/FirmwareCodec.h"
#include "flasher/FirmwareFile.h"
#include "flasher/SampleFirmware.h"

namespace nimbo::fwu {

namespace {

constexpr std::uint64_t kSampleSeed = 1;
constexpr std::uint8_t kErased = 0xFF;

// Writes the whole file through a temporary of its own, so that a failed
// write never leaves a half-written file under the final name.
bool WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes,
                    std::ostream& err) {
  std::string error;
  if (!cli::WriteUserFile(
          path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), true,
          error)) {
    err << error << '\n';
    return false;
  }
  return true;
}

// Reads a whole regular file of at most `limit` bytes.
bool ReadImage(const std::string& path, std::vector<std::uint8_t>& bytes, std::ostream& err) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    err << path << ": not a readable file\n";
    return false;
  }
  const auto size = std::filesystem::file_size(path, error);
  if (error) {
    err << path << ": " << error.message() << '\n';
    return false;
  }
  if (size > flasher::kFirmwareImageSize) {
    err << path << ": " << size << " bytes; a firmware image holds at most "
        << flasher::kFirmwareImageSize << '\n';
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  bytes.resize(static_cast<std::size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in || in.gcount() != static_cast<std::streamsize>(bytes.size())) {
    err << path << ": read error\n";
    return false;
  }
  return true;
}

void DescribeHeader(std::span<const std::uint8_t> image, std::ostream& err) {
  const flasher::FirmwareHeader header = flasher::ReadFirmwareHeader(image);
  if (!header.signature) {
    err << "header: no \"FW\" signature\n";
    return;
  }
  err << "header: \"FW\", version " << flasher::VersionText(header.major, header.minor)
      << (header.reservedZero ? "" : ", byte 4 is not 0 (the flasher refuses it)") << '\n';
}

}  // namespace

int Encode(const std::string& imagePath, const std::string& outPath, std::uint64_t seed,
           std::ostream& err) {
  std::vector<std::uint8_t> image;
  if (!ReadImage(imagePath, image, err)) {
    return 1;
  }
  if (image.size() < flasher::kFirmwareImageSize) {
    err << imagePath << ": " << image.size() << " bytes, padded with 0xFF to "
        << flasher::kFirmwareImageSize << '\n';
    image.resize(flasher::kFirmwareImageSize, kErased);
  }
  DescribeHeader(image, err);
  return WriteWholeFile(outPath, flasher::EncodeFirmwareBytes(image, seed), err) ? 0 : 1;
}

int Decode(const std::string& fwuPath, const std::string& outPath, std::ostream& err) {
  const flasher::FirmwareFileRead read = flasher::ReadFirmwareFile(fwuPath);
  if (!read.Ok()) {
    err << fwuPath << ": " << flasher::DescribeFileProblem(read.problem) << '\n';
    return 1;
  }
  std::vector<std::uint8_t> image(flasher::kFirmwareImageSize);
  flasher::DecodeFirmwareBytes(read.bytes, image);
  DescribeHeader(image, err);
  return WriteWholeFile(outPath, image, err) ? 0 : 1;
}

int WriteSample(const std::string& outPath, std::ostream& err) {
  const auto file = flasher::EncodeFirmwareBytes(flasher::SampleFirmwareImage(), kSampleSeed);
  return WriteWholeFile(outPath, file, err) ? 0 : 1;
}

}  // namespace nimbo::fwu

// Writing the files a test reads: any bytes, or a firmware update file of an
// image. A file that cannot be written ends the test with an exception.
#pragma once

#include <cstdint>
#include <fstream>
#include <span>
#include <stdexcept>
#include <string>

#include "flasher/FirmwareCodec.h"

namespace nimbo::test {

inline void WriteBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out.good()) {
    throw std::runtime_error("cannot write " + path);
  }
}

inline void WriteFirmware(const std::string& path, std::span<const std::uint8_t> image) {
  WriteBytes(path, flasher::EncodeFirmwareBytes(image, 1));
}

}  // namespace nimbo::test

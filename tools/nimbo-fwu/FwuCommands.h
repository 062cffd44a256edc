// The three things nimbo-fwu does, apart from parsing its command line.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace nimbo::fwu {

// Where a command writes: the file `path` by the rule of UserFiles.h (an
// existing file only with `force`), or `standardOutput` for "-".
struct Output {
  std::string path;
  bool force = false;
  std::ostream& standardOutput;
};

// Each returns true on success; otherwise `error` says why. Notes about the
// files (the header found, padding) go to `notes`.

// IMAGE (at most 32,776 bytes; a shorter one is padded with 0xFF, the value
// of erased memory) -> a firmware update file.
bool Encode(const std::string& imagePath, const Output& output, std::uint64_t seed,
            std::ostream& notes, std::string& error);
// A firmware update file -> its 32,776-byte image.
bool Decode(const std::string& fwuPath, const Output& output, std::ostream& notes,
            std::string& error);
// The synthetic sample update: "FW", version 1.2, byte 4 = 0, program data
// from a fixed pattern.
bool WriteSample(const Output& output, std::string& error);

}  // namespace nimbo::fwu

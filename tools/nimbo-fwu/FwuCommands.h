// The three things nimbo-fwu does, apart from parsing its command line.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace nimbo::fwu {

// Each returns the process exit status and explains a failure on `err`.

// IMAGE (at most 32,776 bytes; a shorter one is padded with 0xFF, the value
// of erased memory) -> a firmware update file.
int Encode(const std::string& imagePath, const std::string& outPath, std::uint64_t seed,
           std::ostream& err);
// A firmware update file -> its 32,776-byte image; the header goes to `err`.
int Decode(const std::string& fwuPath, const std::string& outPath, std::ostream& err);
// The synthetic sample update: "FW", version 1.2, byte 4 = 0, program data
// from a fixed pattern.
int WriteSample(const std::string& outPath, std::ostream& err);

}  // namespace nimbo::fwu

// The matrix image: the 768-byte form of the LED Matrix String at the start
// of MemoryImage, 384 cells of two bytes (character code, then 0x34), with
// zero bytes after the last character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/NimboModule.h"

namespace nimbo::ledmatrix {

inline constexpr std::size_t kMatrixImageSize = 768;  // MemoryImage indices 0..767
inline constexpr std::uint8_t kCellAttribute = 0x34;  // second byte of every character cell

// Writes the image of `codes` into image[0..767]. Refuses (returns false,
// writes nothing) more than 384 codes, a code 0, or an image under 768 bytes.
bool EncodeMatrixImage(std::span<const std::uint8_t> codes, std::span<std::uint8_t> image);

// The codes of the cells before the first zero byte at an even index, looking
// at no more than the first 768 bytes of `image`.
std::vector<std::uint8_t> DecodeMatrixImage(std::span<const std::uint8_t> image);

// Writes the image of `text` into MemoryImage 0..767 (sizing MemoryImage
// first if it is too small) and touches nothing else. Text that cannot be
// stored as it stands (see MatrixTextProblem) is refused: false, and the image
// is left as it was.
[[nodiscard]] bool EncodeMatrixString(NIMBOmodule& module, std::string_view text);

// The text held in the image at the start of MemoryImage.
std::string DecodeMatrixString(const NIMBOmodule& module);

}  // namespace nimbo::ledmatrix

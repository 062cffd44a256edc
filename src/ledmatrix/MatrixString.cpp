#include "ledmatrix/MatrixString.h"

#include <algorithm>

#include "ledmatrix/MatrixText.h"

namespace nimbo::ledmatrix {

bool EncodeMatrixImage(std::span<const std::uint8_t> codes, std::span<std::uint8_t> image) {
  if (codes.size() > kMatrixCapacity || image.size() < kMatrixImageSize ||
      std::find(codes.begin(), codes.end(), 0) != codes.end()) {
    return false;
  }
  for (std::size_t i = 0; i < codes.size(); ++i) {
    image[2 * i] = codes[i];
    image[2 * i + 1] = kCellAttribute;
  }
  std::fill(image.begin() + static_cast<std::ptrdiff_t>(2 * codes.size()),
            image.begin() + static_cast<std::ptrdiff_t>(kMatrixImageSize), 0);
  return true;
}

std::vector<std::uint8_t> DecodeMatrixImage(std::span<const std::uint8_t> image) {
  const std::size_t end = std::min(image.size(), kMatrixImageSize);
  std::vector<std::uint8_t> codes;
  // The odd bytes are not examined: any attribute decodes the same.
  for (std::size_t j = 0; j < end && image[j] != 0; j += 2) {
    codes.push_back(image[j]);
  }
  return codes;
}

bool EncodeMatrixString(NIMBOmodule& module, std::string_view text) {
  const MatrixCodes converted = TextToMatrixCodes(text);
  if (!converted.problem.empty()) {
    return false;
  }
  if (module.MemoryImage.size() < kMatrixImageSize) {
    module.SizeSharedArrays();
  }
  return EncodeMatrixImage(converted.codes, module.MemoryImage);
}

std::string DecodeMatrixString(const NIMBOmodule& module) {
  return MatrixCodesToText(DecodeMatrixImage(module.MemoryImage));
}

}  // namespace nimbo::ledmatrix

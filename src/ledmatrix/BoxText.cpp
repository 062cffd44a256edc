#include "ledmatrix/BoxText.h"

#include "ledmatrix/Utf8.h"

namespace nimbo::ledmatrix {

namespace {

constexpr char32_t kPictureBase = 0x2400;  // control picture of code 0
constexpr char32_t kDelete = 0x7F;
constexpr char32_t kDeletePicture = 0x2421;
constexpr char32_t kLineSeparator = 0x2028;
constexpr char32_t kParagraphSeparator = 0x2029;
constexpr std::string_view kLineBreak = "\r\n";

}  // namespace

std::string MatrixTextToBoxText(std::string_view matrixText) {
  std::string box;
  box.reserve(matrixText.size());
  std::size_t pos = 0;
  while (pos < matrixText.size()) {
    if (matrixText.substr(pos, kLineBreak.size()) == kLineBreak) {
      box += '\n';
      pos += kLineBreak.size();
      continue;
    }
    char32_t c = 0;
    if (!NextCodePoint(matrixText, pos, c)) {
      box += matrixText[pos++];
      continue;
    }
    if (c == kDelete) {
      c = kDeletePicture;
    } else if (c < 0x20 && c != U'\t') {
      c += kPictureBase;
    }
    AppendUtf8(box, c);
  }
  return box;
}

std::string BoxTextToMatrixText(std::string_view boxText) {
  std::string matrix;
  matrix.reserve(boxText.size());
  std::size_t pos = 0;
  while (pos < boxText.size()) {
    char32_t c = 0;
    if (!NextCodePoint(boxText, pos, c)) {
      matrix += boxText[pos++];
      continue;
    }
    if (c == U'\n' || c == kLineSeparator || c == kParagraphSeparator) {
      matrix += kLineBreak;
      continue;
    }
    if (c >= kPictureBase && c < kPictureBase + 0x20) {
      c -= kPictureBase;
    } else if (c == kDeletePicture) {
      c = kDelete;
    }
    AppendUtf8(matrix, c);
  }
  return matrix;
}

}  // namespace nimbo::ledmatrix

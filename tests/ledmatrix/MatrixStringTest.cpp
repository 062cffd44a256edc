// The matrix text's character set and the 768-byte image codec.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ledmatrix/MatrixString.h"
#include "ledmatrix/MatrixText.h"
#include "ledmatrix/Windows1252.h"
#include "link/NimboModule.h"
#include "link/UserInterface.h"
#include "link/sim/SimulatedTransport.h"

namespace nimbo::ledmatrix {
namespace {

// Codes 0x80..0x9F as published for the character set; the undefined five keep
// the C1 control of their own value.
constexpr std::array<char32_t, 32> kExpectedRow = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t ExpectedCodePoint(std::uint8_t code) {
  return code >= 0x80 && code < 0xA0 ? kExpectedRow[code - 0x80] : code;
}

// A plain UTF-8 writer kept apart from the one under test.
std::string Utf8Of(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

std::string Repeated(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) {
    text += piece;
  }
  return text;
}

std::string TextOfCodes(const std::vector<std::uint8_t>& codes) {
  std::string text;
  for (const std::uint8_t code : codes) {
    text += Utf8Of(ExpectedCodePoint(code));
  }
  return text;
}

// The image as the device stores it, built cell by cell.
std::vector<std::uint8_t> ExpectedImage(const std::vector<std::uint8_t>& codes) {
  std::vector<std::uint8_t> image(768, 0);
  for (std::size_t i = 0; i < codes.size(); ++i) {
    image[2 * i] = codes[i];
    image[2 * i + 1] = 0x34;
  }
  return image;
}

TEST(Windows1252Test, EveryByteMapsToItsCodePointAndBack) {
  for (int code = 0; code < 256; ++code) {
    const auto byte = static_cast<std::uint8_t>(code);
    EXPECT_EQ(Windows1252ToUnicode(byte), ExpectedCodePoint(byte)) << "code " << code;
    EXPECT_EQ(UnicodeToWindows1252(ExpectedCodePoint(byte)), byte) << "code " << code;
  }
}

TEST(MatrixTextTest, RefusesWhatCannotBeStoredWithAMessage) {
  struct Case {
    std::string text;
    std::string inMessage;
  };
  const std::vector<Case> cases = {
      {"ab\xC3", "UTF-8"},                     // cut-short sequence
      {"\xC0\x80", "UTF-8"},                   // overlong NUL
      {"\xED\xA0\x80", "UTF-8"},               // surrogate
      {"A\x80", "UTF-8"},                      // stray continuation byte
      {"\xFF", "UTF-8"},                       // never a lead byte
      {std::string("A\0B", 3), "U+0000"},      // code 0 would end the string
      {"Gr\xE4\xB8\xAD", "U+4E2D"},            // a character with no code
      {"x\xF0\x9F\x98\x80", "U+1F600"},        // four-byte character
      {"\xC2\x80", "U+0080"},                  // C1 control without a code
      {std::string(385, 'a'), "at most 384"},  // one character too many
      {Utf8Of(0xE9) + std::string(384, 'a'), "385"}};
  for (const Case& c : cases) {
    const auto problem = MatrixTextProblem(c.text);
    ASSERT_TRUE(problem.has_value()) << c.text;
    EXPECT_NE(problem->find(c.inMessage), std::string::npos) << *problem;
  }
}

class MatrixImageTest : public ::testing::Test {
 protected:
  SilentUserInterface ui;
  VirtualClock clock;
  sim::SimulatedDevice device{clock};
  sim::SimulatedTransport transport{device, clock};
  NIMBOmodule module{transport, ui};

  void SetUp() override {
    module.SizeSharedArrays();
    std::fill(module.MemoryImage.begin(), module.MemoryImage.end(), 0xEE);
  }
  std::vector<std::uint8_t> Image() const {
    return {module.MemoryImage.begin(), module.MemoryImage.begin() + 768};
  }
};

TEST_F(MatrixImageTest, EncodesCellByCell) {
  struct Case {
    std::string text;
    std::vector<std::uint8_t> codes;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {"A", {0x41}},
      {"%%", {0x25, 0x25}},                                                   // not folded to one %
      {"%S%C12x%Q", {0x25, 0x53, 0x25, 0x43, 0x31, 0x32, 0x78, 0x25, 0x51}},  // as typed
      {"a\r\nb", {0x61, 0x0D, 0x0A, 0x62}},
      {Utf8Of(0x20AC) + Utf8Of(0xE9) + Utf8Of(0x8D), {0x80, 0xE9, 0x8D}},
      {std::string(384, 'Z'), std::vector<std::uint8_t>(384, 0x5A)},
      {Repeated(Utf8Of(0x20AC), 384),
       std::vector<std::uint8_t>(384, 0x80)},  // characters, not bytes
  };
  for (const Case& c : cases) {
    SetUp();
    ASSERT_TRUE(EncodeMatrixString(module, c.text)) << c.text;
    EXPECT_EQ(Image(), ExpectedImage(c.codes)) << c.text;
    EXPECT_EQ(DecodeMatrixString(module), c.text);
    // Bytes after the image belong to the device copy's tail and stay.
    for (std::size_t i = 768; i < 1536; ++i) {
      ASSERT_EQ(module.MemoryImage[i], 0xEE) << "index " << i;
    }
  }
}

TEST_F(MatrixImageTest, RefusedTextLeavesTheImageAlone) {
  ASSERT_TRUE(EncodeMatrixString(module, "keep"));
  const auto before = module.MemoryImage;
  for (const std::string& text : {std::string(385, 'a'), std::string("\xE4\xB8\xAD"),
                                  std::string("\xC3"), std::string("a\0b", 3)}) {
    EXPECT_FALSE(EncodeMatrixString(module, text));
    EXPECT_EQ(module.MemoryImage, before);
  }
}

TEST_F(MatrixImageTest, DecodingStopsAtTheFirstZeroAtAnEvenIndex) {
  const std::vector<std::uint8_t> image = {'H', 0x34, 'i', 0x00, '!', 0x99, 0x00, 0x34, 'X', 0x34};
  std::copy(image.begin(), image.end(), module.MemoryImage.begin());
  EXPECT_EQ(DecodeMatrixString(module), "Hi!");  // odd bytes are not looked at
}

TEST_F(MatrixImageTest, DecodesNoMoreThanTheImageHolds) {
  std::fill(module.MemoryImage.begin(), module.MemoryImage.end(), 'q');
  EXPECT_EQ(DecodeMatrixString(module), std::string(384, 'q'));
  module.MemoryImage.assign(7, 'r');  // too short: no read past its end
  EXPECT_EQ(DecodeMatrixString(module), "rrrr");
  module.MemoryImage.clear();
  EXPECT_EQ(DecodeMatrixString(module), "");
  ASSERT_TRUE(EncodeMatrixString(module, "s"));  // sizes the array first
  EXPECT_EQ(Image(), ExpectedImage({'s'}));
}

TEST_F(MatrixImageTest, RandomTextsSurviveTheRoundTrip) {
  std::mt19937 random(20260611);
  std::uniform_int_distribution<int> length(0, 384);
  std::uniform_int_distribution<int> code(1, 255);
  for (int round = 0; round < 400; ++round) {
    std::vector<std::uint8_t> codes(static_cast<std::size_t>(length(random)));
    for (auto& c : codes) {
      c = static_cast<std::uint8_t>(code(random));
    }
    const std::string text = TextOfCodes(codes);
    ASSERT_TRUE(EncodeMatrixString(module, text)) << "round " << round;
    ASSERT_EQ(Image(), ExpectedImage(codes)) << "round " << round;
    ASSERT_EQ(DecodeMatrixString(module), text) << "round " << round;
  }
}

}  // namespace
}  // namespace nimbo::ledmatrix

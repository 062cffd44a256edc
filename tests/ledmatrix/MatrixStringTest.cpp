// The LED Matrix String: its character set, the 768-byte image codec, and
// reading and storing it against the simulated device.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "ledmatrix/MatrixString.h"
#include "ledmatrix/MatrixText.h"
#include "ledmatrix/MatrixTransfer.h"
#include "ledmatrix/Windows1252.h"
#include "link/NimboModule.h"
#include "support/SimulatedRig.h"

namespace nimbo::ledmatrix {
namespace {

// A plain UTF-8 writer kept apart from the one under test.
std::string Utf8Of(char32_t c) {
  if (c < 0x80) {
    return std::string(1, static_cast<char>(c));
  }
  if (c < 0x800) {
    return {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
  }
  return {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
          static_cast<char>(0x80 | (c & 0x3F))};
}

// The image as the device stores it, built cell by cell, then the device
// copy's tail (MemoryImage 768..1535) filled with `tail`.
std::vector<std::uint8_t> ExpectedImage(const std::vector<std::uint8_t>& codes, std::uint8_t tail) {
  std::vector<std::uint8_t> image(1536, tail);
  std::fill_n(image.begin(), 768, 0);
  for (std::size_t i = 0; i < codes.size(); ++i) {
    image[2 * i] = codes[i];
    image[2 * i + 1] = 0x34;
  }
  return image;
}

constexpr int BlockAddress(int block) {
  return 0x2000 + 32 * block;
}

// Facts of the character set: outside 0x80..0x9F it is Latin-1; five codes
// there are undefined and keep their C1 control; the other 27 are the
// characters of the published chart, in code order. Every byte comes back;
// what the set lacks has no code.
TEST(Windows1252Test, CharacterSetFactsAndRoundTrips) {
  const std::u32string chart = U"€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ";
  ASSERT_EQ(chart.size(), 27u);
  auto glyph = chart.begin();
  const std::vector<std::uint8_t> undefined = {0x81, 0x8D, 0x8F, 0x90, 0x9D};
  for (int code = 0; code < 256; ++code) {
    const auto byte = static_cast<std::uint8_t>(code);
    const char32_t point = Windows1252ToUnicode(byte);
    const bool latin1 = code < 0x80 || code >= 0xA0 || std::ranges::count(undefined, byte) == 1;
    EXPECT_EQ(point, latin1 ? static_cast<char32_t>(code) : *glyph++) << code;
    EXPECT_EQ(UnicodeToWindows1252(point), byte) << code;
  }
  for (const char32_t missing :
       {U'\u0080', U'\u009F', U'\u0100', U'\u20AD', U'\u4E2D', U'\U0001F600'}) {
    EXPECT_FALSE(UnicodeToWindows1252(missing).has_value())
        << std::hex << static_cast<long>(missing);
  }
}

class MatrixTest : public ::testing::Test, protected test::SimulatedRig {
 protected:
  void SetUp() override {
    module.OpenLink();
    ASSERT_EQ(module.LinkStatus, 0);
    module.SizeSharedArrays();
    StartCase();
  }
  // No faults, trace or messages yet; MemoryImage 0..1535 all 0xEE.
  void StartCase() {
    device.ClearFaults();
    device.ClearTrace();
    ui.messages.clear();
    std::fill_n(module.MemoryImage.begin(), 1536, 0xEE);
  }
  std::vector<std::uint8_t> Image() const {
    return {module.MemoryImage.begin(), module.MemoryImage.begin() + 1536};
  }
  // Device memory from address 0x2000 (two bytes an address): what the image is read from.
  std::span<std::uint8_t> DeviceCopy() { return device.Memory().subspan(0x2000 * 2, 1536); }
  // MemoryImage[0, n) holds what the device holds there.
  bool ImageMatchesDevice(std::size_t n) {
    return std::equal(DeviceCopy().begin(), DeviceCopy().begin() + n, module.MemoryImage.begin());
  }
  // The address of each frame the host sent with these letters ("" = any), in order.
  std::vector<int> Sent(const std::string& letters) const {
    std::vector<int> addresses;
    for (const auto& e : device.Trace()) {
      if (e.fromHost && e.bytes.size() >= 4 &&
          (letters.empty() || letters == std::string(e.bytes.begin(), e.bytes.begin() + 2))) {
        addresses.push_back(e.bytes[2] | (e.bytes[3] << 8));
      }
    }
    return addresses;
  }
};

TEST_F(MatrixTest, TextsSurviveTheRoundTripCellByCell) {
  // Escapes and line breaks are stored as typed, then random texts of codes
  // 1..255, the first one a full 384 characters (many of two or three bytes).
  std::vector<std::vector<std::uint8_t>> texts;
  for (const std::string typed : {"", "%%", "%S%C12x%Q", "a\r\nb"}) {
    texts.emplace_back(typed.begin(), typed.end());
  }
  std::mt19937 random(20260611);
  std::uniform_int_distribution<int> length(0, 384);
  std::uniform_int_distribution<int> code(1, 255);
  for (int round = 0; round < 400; ++round) {
    texts.emplace_back(static_cast<std::size_t>(round == 0 ? 384 : length(random)));
    for (auto& c : texts.back()) {
      c = static_cast<std::uint8_t>(code(random));
    }
  }
  for (std::size_t k = 0; k < texts.size(); ++k) {
    std::string text;
    for (const std::uint8_t c : texts[k]) {
      text += Utf8Of(Windows1252ToUnicode(c));
    }
    ASSERT_TRUE(EncodeMatrixString(module, text)) << "text " << k;
    // The bytes after the image belong to the device copy's tail and stay.
    ASSERT_EQ(Image(), ExpectedImage(texts[k], 0xEE)) << "text " << k;
    ASSERT_EQ(DecodeMatrixString(module), text) << "text " << k;
  }
}

TEST_F(MatrixTest, RefusesWhatCannotBeStoredWithAMessageAndKeepsTheImage) {
  ASSERT_TRUE(EncodeMatrixString(module, "keep"));
  const auto before = module.MemoryImage;
  std::vector<std::pair<std::string, std::string>> cases = {
      {std::string("A\0B", 3), "U+0000"},      // code 0 would end the string
      {"Gr\xE4\xB8\xAD", "U+4E2D"},            // a character with no code
      {"x\xF0\x9F\x98\x80", "U+1F600"},        // four-byte character
      {"\xC2\x80", "U+0080"},                  // C1 control without a code
      {std::string(385, 'a'), "at most 384"},  // one character too many
      {Utf8Of(0xE9) + std::string(384, 'a'), "385"}};
  // Cut short, lead byte without its continuation, overlong NUL, surrogate,
  // stray continuation byte, never a lead byte.
  for (const std::string bad :
       {"ab\xC3", "\xC3\x41", "\xC0\x80", "\xED\xA0\x80", "A\x80", "\xFF"}) {
    cases.emplace_back(bad, "UTF-8");
  }
  for (const auto& [text, inMessage] : cases) {
    const auto problem = MatrixTextProblem(text);
    ASSERT_TRUE(problem.has_value()) << text;
    EXPECT_NE(problem->find(inMessage), std::string::npos) << *problem;
    EXPECT_FALSE(EncodeMatrixString(module, text)) << text;
    EXPECT_EQ(module.MemoryImage, before);
  }
}

TEST_F(MatrixTest, DecodingStopsAtAZeroAtAnEvenIndexOrTheImageEnd) {
  const std::vector<std::uint8_t> image = {'H', 0x34, 'i', 0x00, '!', 0x99, 0x00, 0x34, 'X', 0x34};
  std::copy(image.begin(), image.end(), module.MemoryImage.begin());
  EXPECT_EQ(DecodeMatrixString(module), "Hi!");  // odd bytes are not looked at
  std::fill(module.MemoryImage.begin(), module.MemoryImage.end(), 'q');
  EXPECT_EQ(DecodeMatrixString(module), std::string(384, 'q'));
  module.MemoryImage.assign(7, 'r');  // too short: no read past its end
  EXPECT_EQ(DecodeMatrixString(module), "rrrr");
  module.MemoryImage.clear();
  EXPECT_EQ(DecodeMatrixString(module), "");
  ASSERT_TRUE(EncodeMatrixString(module, "s"));  // sizes the array first
  EXPECT_EQ(Image(), ExpectedImage({'s'}, 0));
}

// Each block gets ten attempts; silence, a refusal, a corrupted block, a wrong
// checksum or a wrong echo each spend one. A read that fails keeps the blocks
// that arrived and the old text, and shows no message.
TEST_F(MatrixTest, ReadRetriesEachBlockUpToTenTimes) {
  // fault, block, failures (-1: every attempt), whether the read succeeds
  const std::tuple<sim::Fault, int, int, bool> cases[] = {
      {sim::Fault::NoReply, 0, 0, true},         {sim::Fault::NoReply, 7, 9, true},
      {sim::Fault::NoReply, 7, 10, false},       {sim::Fault::Refuse, 0, 1, true},
      {sim::Fault::Refuse, 5, -1, false},        {sim::Fault::Refuse, 23, 10, false},
      {sim::Fault::CorruptReadBack, 3, 9, true}, {sim::Fault::CorruptReadBack, 3, 10, false},
      {sim::Fault::WrongChecksum, 12, 2, true},  {sim::Fault::WrongEcho, 12, 10, false},
  };
  for (std::size_t i = 0; i < 1536; ++i) {
    DeviceCopy()[i] = static_cast<std::uint8_t>((i * 7 + i / 64 + 1) & 0xFF);
  }
  const std::vector<std::uint8_t> cells = {'H', 0x34, 'i', 0x34, 0x80, 0x34, 0x00, 0x34};
  std::copy(cells.begin(), cells.end(), DeviceCopy().begin());
  for (const auto& [fault, block, failures, found] : cases) {
    SCOPED_TRACE(testing::Message() << "block " << block << " failures " << failures);
    StartCase();
    module.MatrixString = "old text";
    module.DeviceFound = kTrue;
    const int address = BlockAddress(block);
    device.AddFault({.fault = fault, .command = "RM", .address = address, .times = failures});

    GetMatrixStringButton_Click(module);

    const auto sent = Sent("");
    const int attempts = found ? failures + 1 : 10;
    EXPECT_EQ(std::ranges::count(sent, address), attempts);
    EXPECT_EQ(Sent("RM").size(), sent.size());
    EXPECT_TRUE(ui.messages.empty());
    if (found) {
      EXPECT_EQ(module.DeviceFound, kTrue);
      EXPECT_EQ(sent.size(), 23u + static_cast<std::size_t>(attempts));
      EXPECT_EQ(std::ranges::max(sent), BlockAddress(23));
      EXPECT_TRUE(ImageMatchesDevice(1536));
      EXPECT_EQ(module.MatrixString, "Hi\u20AC");
    } else {
      EXPECT_EQ(module.DeviceFound, kFalse);
      EXPECT_NE(module.LinkStatus, 0);
      EXPECT_EQ(std::ranges::max(sent), address);
      EXPECT_EQ(module.MatrixString, "old text");
      const auto after = static_cast<std::ptrdiff_t>(64 * (block + 1));
      EXPECT_TRUE(ImageMatchesDevice(64 * static_cast<std::size_t>(block)));
      EXPECT_TRUE(std::all_of(module.MemoryImage.begin() + after, module.MemoryImage.begin() + 1536,
                              [](std::uint8_t b) { return b == 0xEE; }));
    }
  }
}

// A reply that comes after its read timed out answers the retry of its own
// block, and the retry's own reply is then still on its way: the read gives
// the device's text or fails, never a text shifted by a block. A read a
// second later, when the stray replies have come in, discards them and takes
// one attempt per block.
TEST_F(MatrixTest, LateRepliesNeverShiftTheBlocksRead) {
  for (std::size_t i = 0; i < 1536; ++i) {
    DeviceCopy()[i] = static_cast<std::uint8_t>((i * 11 + i / 64 + 3) & 0xFF);
  }
  const std::vector<std::uint8_t> cells = {'O', 0x34, 'k', 0x34, 0x00, 0x34};
  std::copy(cells.begin(), cells.end(), DeviceCopy().begin());
  // block, late replies in a row, delay past the due time
  const std::tuple<int, int, Micros> cases[] = {{0, 1, 260'000}, {5, 2, 300'000}, {23, 1, 499'000}};
  for (const auto& [block, times, delay] : cases) {
    SCOPED_TRACE(testing::Message() << "block " << block << ", " << times << " late by " << delay);
    StartCase();
    module.MatrixString = "old text";
    device.AddFault({.fault = sim::Fault::Late,
                     .command = "RM",
                     .address = BlockAddress(block),
                     .times = times,
                     .lateBy = delay});
    GetMatrixStringButton_Click(module);
    if (module.DeviceFound == kTrue) {
      EXPECT_TRUE(ImageMatchesDevice(1536));
      EXPECT_EQ(module.MatrixString, "Ok");
    } else {
      EXPECT_EQ(module.MatrixString, "old text");
    }

    clock.SleepFor(1'000'000);
    StartCase();
    GetMatrixStringButton_Click(module);
    EXPECT_EQ(module.DeviceFound, kTrue);
    EXPECT_EQ(Sent("RM").size(), 24u);
    EXPECT_TRUE(ImageMatchesDevice(1536));
  }
}

// Each block is written and then read back, in order; failed writes are
// written again, failed verifies read again, from one budget of ten.
TEST_F(MatrixTest, WriteAndVerifyShareTenAttemptsPerBlock) {
  const std::string write = "Write Failure!";
  const std::string verify = "Verify Failure!";
  // write and verify failures; title of the message shown (empty for success);
  // "WM" and "RM" frames sent for the block
  const std::tuple<int, int, std::string, int, int> cases[] = {
      {0, 0, "", 1, 1},      {3, 6, "", 4, 7},  {3, 7, verify, 4, 7},  {10, 0, write, 10, 0},
      {9, 1, verify, 10, 1}, {0, 9, "", 1, 10}, {0, 10, verify, 1, 10}};
  constexpr int kBlock = 10;
  const int address = BlockAddress(kBlock);
  for (const auto& [writeFailures, verifyFailures, shown, writes, verifies] : cases) {
    SCOPED_TRACE(testing::Message()
                 << writeFailures << " write, " << verifyFailures << " verify failures");
    StartCase();
    for (std::size_t i = 0; i < 1536; ++i) {
      module.MemoryImage[i] = static_cast<std::uint8_t>(i % 251 + 1);
    }
    std::fill(DeviceCopy().begin(), DeviceCopy().end(), 0);
    device.AddFault(
        {.fault = sim::Fault::Refuse, .command = "WM", .address = address, .times = writeFailures});
    device.AddFault({.fault = sim::Fault::CorruptReadBack,
                     .command = "RM",
                     .address = address,
                     .times = verifyFailures});

    StoreMatrixStringButton_Click(module);

    EXPECT_EQ(std::ranges::count(Sent("WM"), address), writes);
    EXPECT_EQ(std::ranges::count(Sent("RM"), address), verifies);
    if (shown.empty()) {
      EXPECT_EQ(module.LinkStatus, 0);
      EXPECT_TRUE(ui.messages.empty());
      EXPECT_EQ(Sent("WM").size(), 23u + static_cast<std::size_t>(writes));
      EXPECT_EQ(Sent("RM").size(), 23u + static_cast<std::size_t>(verifies));
      EXPECT_TRUE(std::ranges::is_sorted(Sent("")));
      EXPECT_TRUE(ImageMatchesDevice(1536));
    } else {
      EXPECT_NE(module.LinkStatus, 0);
      ASSERT_EQ(ui.messages.size(), 1u);
      EXPECT_EQ(ui.messages[0].text,
                shown == write ? "Device write error! Data is corrupted!  Re-try update!"
                               : "Device verify error!  Data is corrupted!  Re-try update!");
      EXPECT_EQ(ui.messages[0].title, shown);
      EXPECT_EQ(ui.messages[0].icon, MessageIcon::None);
      EXPECT_EQ(std::ranges::max(Sent("")), address);  // nothing after the failing block
      EXPECT_TRUE(ImageMatchesDevice(64 * kBlock));
    }
  }
  // An operation run from a window event that leaves BlockOffset outside
  // MemoryImage costs the block its attempts; nothing is read out of bounds.
  StartCase();
  ui.onProcessEvents = [this] { module.BlockOffset = -64; };
  StoreMatrixStringButton_Click(module);
  ui.onProcessEvents = nullptr;
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].title, write);
  EXPECT_TRUE(Sent("").empty());
}

}  // namespace
}  // namespace nimbo::ledmatrix

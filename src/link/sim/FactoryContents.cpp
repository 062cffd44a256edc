#include "link/sim/FactoryContents.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "link/sim/SimulatedDevice.h"

namespace nimbo::sim {
namespace {

// The 68-byte settings record as shipped. Byte 0 marks an initialised
// record; the firmware keeps it and the program never interprets it.
constexpr std::array<std::uint8_t, 68> kSettingsRecord = {
    0xA5,                          // record initialised
    7,                             // RESET + EXROM, voltage warning, flashing
    1,    2,   3,  4,              // LED functions: STATUS, IRQ, ROM, EXROM
    0,                             // OLED normal
    9,                             // OLED 100 %
    56,                            // 8 ROM banks
    0,    100,                     // reset timeout 1000 ms
    0,    150,                     // ROM timeout 1500 ms
    1,    44,                      // menu timeout 3000 ms
    178,                           // voltage offset -50
    0,    0,   0,  15,  0,   0,    // ROM 1, ROM 2
    0,    15,  0,  0,   0,   15,   // ROM 3, ROM 4
    15,   15,  0,  0,   15,  15,   // ROM 5, ROM 6
    15,   0,   15, 15,  15,  15,   // ROM 7, ROM 8
    15,   0,   0,  0,   15,  0,    // IRQ high, IRQ low
    15,   0,   0,  0,   15,  0,    // EXROM high, EXROM low
    0,    15,  15, 0,   0,   15,   // reset state, ROM switch
    0,    0,   0,  255, 255, 255,  // RESTORE down, voltage warning
    1,    209,                     // minimum 4.65 V
    2,    23,                      // maximum 5.35 V
};

constexpr std::string_view kMatrixText = "NIMBO";
constexpr std::uint8_t kMatrixCellAttribute = 0x34;
constexpr std::size_t kMatrixTextBytes = 768;   // 384 cells of 2 bytes
constexpr std::size_t kMatrixAreaBytes = 1536;  // 24 blocks of 64 bytes

std::size_t ByteOf(int address) {
  return static_cast<std::size_t>(address) * 2;
}

}  // namespace

void WriteFactoryContents(std::span<std::uint8_t> memory, std::span<std::uint8_t> eeprom) {
  // Unused flash and EEPROM read as erased cells.
  std::fill(memory.begin(), memory.end(), 0xFF);
  std::fill(eeprom.begin(), eeprom.end(), 0xFF);
  std::copy(kSettingsRecord.begin(), kSettingsRecord.end(), eeprom.begin());

  // The firmware: a fixed pseudo-random program image (16-bit words of a
  // small linear congruential sequence) so that reads are not uniform.
  std::uint32_t word = 0x4E42;
  for (std::size_t i = 0; i < ByteOf(kFirmwareEndAddress); i += 2) {
    word = word * 1103515245u + 12345u;
    memory[i] = static_cast<std::uint8_t>(word >> 16);
    memory[i + 1] = static_cast<std::uint8_t>(word >> 24);
  }

  // The LED matrix text lives inside the firmware's data area.
  const std::size_t base = ByteOf(kMatrixTextAddress);
  std::fill_n(memory.begin() + static_cast<std::ptrdiff_t>(base), kMatrixAreaBytes, 0x00);
  for (std::size_t i = 0; i < kMatrixText.size() && 2 * i < kMatrixTextBytes; ++i) {
    memory[base + 2 * i] = static_cast<std::uint8_t>(kMatrixText[i]);
    memory[base + 2 * i + 1] = kMatrixCellAttribute;
  }
}

}  // namespace nimbo::sim

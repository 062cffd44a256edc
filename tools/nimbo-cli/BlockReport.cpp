#include "BlockReport.h"

#include <iomanip>
#include <sstream>

namespace nimbo::cli {

std::string Hex(unsigned value, int digits) {
  std::ostringstream text;
  text << "0x" << std::uppercase << std::hex << std::setw(digits) << std::setfill('0') << value;
  return text.str();
}

std::string BlockText(int block, std::int32_t address) {
  return "block " + std::to_string(block) + " at device address " +
         Hex(static_cast<unsigned>(address), 4);
}

std::string DifferenceText(std::int32_t blockAddress, const flasher::FlashFailure::Difference& d) {
  // Two bytes an address.
  const auto byteAddress = static_cast<unsigned>(blockAddress + d.offset / 2);
  return "byte " + std::to_string(d.offset) + " (device address " + Hex(byteAddress, 4) +
         "): expected " + Hex(d.expected, 2) + ", read " + Hex(d.read, 2);
}

}  // namespace nimbo::cli

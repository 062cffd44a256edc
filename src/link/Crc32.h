// CRC-32 (the common reflected polynomial 0xEDB88320) over a byte range: the
// check value of the files the program writes.
#pragma once

#include <cstdint>
#include <span>

namespace nimbo {

std::uint32_t Crc32(std::span<const std::uint8_t> bytes);

}  // namespace nimbo

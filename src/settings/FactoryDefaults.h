// The factory settings, written by "Default Settings" into bytes 1..67 of the
// image (byte 0 and the bytes after the record keep their values).
#pragma once

#include <array>
#include <cstdint>

#include "settings/SettingsImage.h"

namespace nimbo::settings {

inline constexpr std::size_t kFirstDefaultIndex = 1;
inline constexpr std::size_t kDefaultCount = kSettingsCount - 1;  // bytes 1..67

// Values of bytes 1..67 (element 0 is byte 1).
const std::array<std::uint8_t, kDefaultCount>& FactoryDefaultBytes();
void WriteFactoryDefaults(SettingsArray& bytes);

}  // namespace nimbo::settings

#include "link/platform/TemporaryFile.h"

#include <algorithm>
#include <cstdio>

namespace nimbo::platform {

std::string TemporaryName(const std::string& folder, const std::string& name,
                          std::uint32_t unique) {
  constexpr std::size_t kMostOfName = 16;
  std::size_t cut = std::min(name.size(), kMostOfName);
  // Not inside a character: back to the first byte of one.
  while (cut > 0 && cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
    --cut;
  }
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".%08x.tmp", unique);
  return folder + "." + name.substr(0, cut) + suffix;
}

}  // namespace nimbo::platform

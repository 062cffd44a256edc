#include "link/NimboModule.h"

namespace nimbo {

void NIMBOmodule::SizeSharedArrays() {
  // A fresh image, all zero, as every later block transfer expects.
  MemoryImage.assign(kMemoryImageSize, 0);
}

}  // namespace nimbo

#include "link/platform/FileKind.h"

namespace nimbo::platform {

std::string_view Describe(FileKind kind) {
  switch (kind) {
    case FileKind::Missing:
      return "missing";
    case FileKind::Regular:
      return "a regular file";
    case FileKind::Directory:
      return "a directory";
    case FileKind::SymbolicLink:
      return "a symbolic link";
    case FileKind::Fifo:
      return "a FIFO";
    case FileKind::CharacterDevice:
      return "a character device";
    case FileKind::BlockDevice:
      return "a block device";
    case FileKind::Socket:
      return "a socket";
    case FileKind::Other:
      break;
  }
  return "not a regular file";
}

}  // namespace nimbo::platform

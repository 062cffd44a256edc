// Reading a firmware update file from disk, and the checks on its name.
//
// A file is read for its first 131,104 bytes. Whatever is not a readable
// regular file of at least that size is refused, and reading never waits on
// a FIFO or a device: a firmware update must only ever start from a whole,
// well-defined image.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nimbo::flasher {

// The default firmware file, opened by this bare name from the working
// directory.
inline constexpr const char* kDefaultFirmwareFile = "nimbo.fwu";

enum class FileProblem {
  None,
  CannotOpen,      // missing, no permission, or the name is empty
  NotRegularFile,  // a directory, FIFO, socket or device
  ReadError,       // the system reported an error while reading
  TooShort,        // fewer than 131,104 bytes
};

struct FirmwareFileRead {
  FileProblem problem = FileProblem::None;
  std::vector<std::uint8_t> bytes;  // what was read, at most 131,104 bytes
  std::string reason;               // the system's words for CannotOpen and ReadError
  bool Ok() const { return problem == FileProblem::None; }
};

FirmwareFileRead ReadFirmwareFile(const std::string& path);

// A short description of a problem, for the command-line tool.
std::string_view DescribeFileProblem(FileProblem problem);

// The extension check: the last three characters of the name, upper-cased,
// are "FWU" (so ".fwu", ".Fwu" and ".FWU" pass).
bool HasFirmwareExtension(std::string_view path);

}  // namespace nimbo::flasher

// Files the user names on the command line: read without ever blocking on a
// FIFO or a device, written so that a failure never leaves half a file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace nimbo::cli {

// The contents of a regular file of at most `maxBytes`; nullopt with the
// reason in `error` ("cannot read backup.txt: No such file or directory").
std::optional<std::string> ReadUserFile(const std::string& path, std::size_t maxBytes,
                                        std::string& error);

// Writes `contents` to a new file `path` through a temporary file in the same
// folder; an existing file is replaced only when `replace` is set (and then
// whole, never partly written). False with the reason in `error`.
bool WriteUserFile(const std::string& path, std::string_view contents, bool replace,
                   std::string& error);

}  // namespace nimbo::cli

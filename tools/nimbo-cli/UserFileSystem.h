// What the rule for the files a user names (UserFiles.cpp) asks of the
// system: what a name is, and reading or writing one whole. Carried out on
// the platform seam, so that one implementation serves every system; the
// rule and every message stay in UserFiles.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "link/platform/FileKind.h"
#include "link/platform/SystemError.h"

namespace nimbo::cli::userfs {

using platform::FileKind;
using platform::SystemError;

// What a name leads to, symbolic links followed.
struct NameInfo {
  FileKind kind = FileKind::Missing;
  bool link = false;   // the name itself is a symbolic link
  std::string target;  // for a link: the file it leads to (as written in it when missing)
};

// Looks at `path` without opening it. A name that does not exist is no
// failure: its kind is Missing.
bool Inspect(const std::string& path, NameInfo& info, SystemError& error);

// Writes `contents` as the new file `path`. An existing name is never
// replaced (an AlreadyExists failure); the file appears only once whole, and
// on a failure nothing is left.
bool CreateNew(const std::string& path, std::string_view contents, SystemError& error);

// Replaces the regular file `path` whole in one step. The new file keeps the
// permissions (and the owner, where the system allows it) of the old one.
// On a failure the old file is untouched and nothing else is left.
bool ReplaceRegular(const std::string& path, std::string_view contents, SystemError& error);

// What `path` is once opened (never waiting on a FIFO or a device), in
// `kind` and `size`; only a regular file of at most `maxBytes` is read, and
// then at most `maxBytes` + 1 bytes, so that one that grew shows as too large.
bool ReadRegular(const std::string& path, std::size_t maxBytes, std::string& contents,
                 FileKind& kind, std::uint64_t& size, SystemError& error);

}  // namespace nimbo::cli::userfs

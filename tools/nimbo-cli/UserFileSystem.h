// The few system calls under the files a user names: what a name is, and
// reading or writing one whole. The rule that decides what may be written or
// read, and every message, live in UserFiles.cpp; this seam only carries out
// what it is asked, one implementation per system (UserFileSystemPosix.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

namespace nimbo::cli::userfs {

enum class Kind { kMissing, kRegular, kDirectory, kFifo, kDevice, kSocket, kOther };

// What a name leads to, symbolic links followed.
struct NameInfo {
  Kind kind = Kind::kMissing;
  bool link = false;       // the name itself is a symbolic link
  std::string target;      // for a link: the file it leads to (as written when missing)
  std::uint64_t size = 0;  // of a regular file, in bytes
};

// Looks at `path` without opening it. A name that does not exist is no
// error: its kind is kMissing.
std::error_code Inspect(const std::string& path, NameInfo& info);

// Writes `contents` as the new file `path` (mode 0666 less the umask). An
// existing name is never replaced (errc::file_exists), and no other name
// ever appears in the folder, not even for a moment: on a failure nothing
// is left at all.
std::error_code CreateNew(const std::string& path, std::string_view contents);

// Replaces the regular file `path` whole: a temporary file beside it, then a
// rename over it. The new file keeps the permission bits (and the owner,
// where the system allows it) of the old one. On a failure the old file is
// untouched and the temporary removed.
std::error_code ReplaceRegular(const std::string& path, std::string_view contents);

// Opens `path` without waiting (a FIFO or a device never blocks the open)
// and describes what was opened in `opened`. Only a regular file of at most
// `maxBytes` is read, and then at most `maxBytes` + 1 bytes, so that a file
// that grew while being read shows as too large.
std::error_code ReadRegular(const std::string& path, std::size_t maxBytes, std::string& contents,
                            NameInfo& opened);

}  // namespace nimbo::cli::userfs

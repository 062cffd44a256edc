// Files the user names on the command line, read and written by one rule:
// - "-" as the output name means standard output;
// - a name that does not exist is written whole or not at all (and on Linux
//   nothing else ever appears beside it);
// - an existing regular file, or a symbolic link to one, is replaced only with
//   --force: atomically, through a temporary file beside it, keeping its
//   permission bits; a link stays a link and the file it leads to is replaced;
// - anything else (a directory, a device, a FIFO, a socket, a link to one of
//   them or to nothing) is refused with the reason, --force or not, and
//   nothing is written anywhere;
// - only a regular file of a size that fits its purpose is read, and reading
//   never waits on a FIFO or a device.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace nimbo::cli {

struct FileOutcome {
  enum Status {
    kDone,     // written (or, for CheckOutputFile, may be written)
    kExists,   // a regular file exists under the name and --force was not given
    kRefused,  // not a regular file
    kFailed,   // the system refused: the message says why
  };
  Status status = kDone;
  std::string message;  // the whole reason for anything but kDone
  bool Ok() const { return status == kDone; }
};

// Whether WriteUserFile would write `path` now: lets a command refuse its
// output before it spends time on the device.
FileOutcome CheckOutputFile(const std::string& path, bool force);

// Writes `contents` to `path` by the rule above; "-" writes them to
// `standardOutput`.
FileOutcome WriteUserFile(const std::string& path, std::string_view contents, bool force,
                          std::ostream& standardOutput);

// The contents of the regular file `path` of at most `maxBytes`; nullopt with
// the reason in `error` ("cannot read backup.txt: No such file or directory").
std::optional<std::string> ReadUserFile(const std::string& path, std::size_t maxBytes,
                                        std::string& error);

}  // namespace nimbo::cli

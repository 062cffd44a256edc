// What a name in the file system stands for, asked with or without following
// symbolic links.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "link/platform/SystemError.h"

namespace nimbo::platform {

enum class FileKind {
  Missing,  // nothing has that name
  Regular,
  Directory,
  SymbolicLink,  // only when links are not followed
  Fifo,          // a FIFO, or on Windows a pipe
  CharacterDevice,
  BlockDevice,
  Socket,
  Other,
};

enum class Links { Follow, DoNotFollow };

// The kind of file `path` (UTF-8) names; nullopt with the reason in `error`
// when the system cannot tell (a folder on the way that may not be read).
std::optional<FileKind> KindOf(const std::string& path, Links links, SystemError& error);

// What the symbolic link `path` names, as written in it (the name may not
// exist); nullopt with the reason when `path` is no link or cannot be read.
std::optional<std::string> LinkTarget(const std::string& path, SystemError& error);

// Why the system would keep a file written under `path` as something other
// than the file that the name says, in words; nullopt where it would not.
// On Windows, a ':' past the drive letter names a hidden stream inside a
// file ("notes.txt:x"); a device's name is left to KindOf.
std::optional<std::string> StreamNameRefusal(const std::string& path);

// The name under which a file created as `path` is kept: on Windows, without
// the dots and blanks at its end that the system drops ("trail." is kept as
// "trail"); `path` itself elsewhere.
std::string SavedName(const std::string& path);

// "a directory", "a FIFO", ...: the kind as a message names it.
std::string_view Describe(FileKind kind);

}  // namespace nimbo::platform

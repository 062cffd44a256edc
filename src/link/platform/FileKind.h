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

// "a directory", "a FIFO", ...: the kind as a message names it.
std::string_view Describe(FileKind kind);

}  // namespace nimbo::platform

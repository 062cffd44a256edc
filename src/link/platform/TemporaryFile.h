// Writing a file so that nobody ever sees it half-written: a temporary file
// beside the target, under a fresh name (never through a link someone
// planted there), is written whole and then put in the target's place in one
// step. A temporary that is not put in place is removed again. Where the
// system can, the temporary has no name at all until it is whole (Linux), so
// that not even a killed program leaves one behind.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "link/platform/File.h"
#include "link/platform/SystemError.h"

namespace nimbo::platform {

class TemporaryFile {
 public:
  // A new, empty file in the folder of `target` (UTF-8).
  static std::optional<TemporaryFile> CreateBeside(const std::string& target, SystemError& error);

  TemporaryFile(TemporaryFile&& other) noexcept;
  TemporaryFile& operator=(TemporaryFile&&) = delete;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  bool Write(std::span<const std::uint8_t> bytes, SystemError& error);

  // Gives the new file the permissions (and, where allowed, the owner) of
  // `model`, the file it is to replace. Replacing keeps them on Windows by
  // itself; there this does nothing.
  bool TakeAttributesOf(const File& model, SystemError& error);

  enum class Existing {
    Replace,  // an existing target is replaced in one step
    Keep,     // an existing target stays: fails with AlreadyExists
  };
  // Puts the written file at `target`. Its contents reach the disk before
  // its name changes. The temporary is gone afterwards, whatever the result.
  bool PutInPlace(const std::string& target, Existing existing, SystemError& error);

 private:
  TemporaryFile(File file, std::string path) : file_(std::move(file)), path_(std::move(path)) {}
  void Discard();

  std::optional<File> file_;  // empty once closed
  std::string path_;          // empty while unnamed, and once put in place or removed
};

// The name of a temporary file beside `name` in `folder` (which ends in its
// separator, or is empty): ".", the first characters of `name` (at most 16
// bytes, whole UTF-8 characters), ".", `unique` in hex and ".tmp". Short, so
// that it fits wherever `name` itself fits.
std::string TemporaryName(const std::string& folder, const std::string& name, std::uint32_t unique);

// The real name of the file `path` names, with every symbolic link on the
// way resolved; nullopt with the reason when it does not exist.
std::optional<std::string> ResolveLinks(const std::string& path, SystemError& error);

}  // namespace nimbo::platform

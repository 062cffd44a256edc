#include "UserFileSystem.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <span>

#include "link/platform/File.h"
#include "link/platform/TemporaryFile.h"

namespace nimbo::cli::userfs {
namespace {

using platform::File;
using platform::TemporaryFile;

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

bool Inspect(const std::string& path, NameInfo& info, SystemError& error) {
  info = NameInfo{};
  const std::optional<FileKind> own = platform::KindOf(path, platform::Links::DoNotFollow, error);
  if (!own) {
    return false;
  }
  info.link = *own == FileKind::SymbolicLink;
  if (!info.link) {
    info.kind = *own;
    return true;
  }
  const std::optional<FileKind> led = platform::KindOf(path, platform::Links::Follow, error);
  if (!led) {
    return false;
  }
  info.kind = *led;
  if (info.kind == FileKind::Missing) {
    SystemError unread;  // the message then names no target
    info.target = platform::LinkTarget(path, unread).value_or("");
    return true;
  }
  const std::optional<std::string> real = platform::ResolveLinks(path, error);
  info.target = real.value_or("");
  return real.has_value();
}

bool CreateNew(const std::string& path, std::string_view contents, SystemError& error) {
  std::optional<TemporaryFile> file = TemporaryFile::CreateBeside(path, error);
  return file && file->Write(Bytes(contents), error) &&
         file->PutInPlace(path, TemporaryFile::Existing::Keep, error);
}

bool ReplaceRegular(const std::string& path, std::string_view contents, SystemError& error) {
  std::optional<TemporaryFile> file = TemporaryFile::CreateBeside(path, error);
  if (!file || !file->Write(Bytes(contents), error)) {
    return false;
  }
  {
    // The file to be replaced, closed again before it is: still a regular
    // file (something else may have taken its name), and its permissions.
    const std::optional<File> old = File::Open(path, File::Access::Attributes, error);
    if (!old) {
      return false;
    }
    if (old->Kind() != FileKind::Regular) {
      error = {SystemError::Kind::Other, "it is no longer a regular file"};
      return false;
    }
    if (!file->TakeAttributesOf(*old, error)) {
      return false;
    }
  }
  return file->PutInPlace(path, TemporaryFile::Existing::Replace, error);
}

bool ReadRegular(const std::string& path, std::size_t maxBytes, std::string& contents,
                 FileKind& kind, std::uint64_t& size, SystemError& error) {
  contents.clear();
  const std::optional<File> file = File::Open(path, File::Access::Read, error);
  if (!file) {
    return false;
  }
  kind = file->Kind();
  size = file->Size().value_or(0);
  if (kind != FileKind::Regular || size > maxBytes) {
    return true;
  }
  contents.resize(std::min(maxBytes, std::numeric_limits<std::size_t>::max() - 1) + 1);
  const std::optional<std::size_t> got =
      file->ReadAt({reinterpret_cast<std::uint8_t*>(contents.data()), contents.size()}, 0, error);
  contents.resize(got.value_or(0));
  return got.has_value();
}

}  // namespace nimbo::cli::userfs

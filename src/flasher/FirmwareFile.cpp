#include "flasher/FirmwareFile.h"

#include <cctype>
#include <optional>

#include "flasher/FirmwareCodec.h"
#include "link/platform/File.h"

namespace nimbo::flasher {

FirmwareFileRead ReadFirmwareFile(const std::string& path) {
  FirmwareFileRead result;
  if (path.empty()) {
    result.problem = FileProblem::CannotOpen;
    result.reason = "no file name given";
    return result;
  }
  // Looked at by name first: on Windows opening a device's name (COM1)
  // already acts on it. Opening never waits on a FIFO or a device; the kind
  // check below then refuses whatever has taken the name's place.
  platform::SystemError error;
  const std::optional<platform::FileKind> named =
      platform::KindOf(path, platform::Links::Follow, error);
  if (named && *named != platform::FileKind::Regular && *named != platform::FileKind::Missing) {
    result.problem = FileProblem::NotRegularFile;
    return result;
  }
  const std::optional<platform::File> file =
      platform::File::Open(path, platform::File::Access::Read, error);
  if (!file) {
    result.problem = FileProblem::CannotOpen;
    result.reason = error.text;
    return result;
  }
  if (file->Kind() != platform::FileKind::Regular) {
    result.problem = FileProblem::NotRegularFile;
    return result;
  }
  result.bytes.resize(kFirmwareFileSize);
  const std::optional<std::size_t> got = file->ReadAt(result.bytes, 0, error);
  result.bytes.resize(got.value_or(0));
  if (!got) {
    result.problem = FileProblem::ReadError;
    result.reason = error.text;
  } else if (*got < kFirmwareFileSize) {
    result.problem = FileProblem::TooShort;
  }
  return result;
}

std::string_view DescribeFileProblem(FileProblem problem) {
  switch (problem) {
    case FileProblem::None:
      return "read";
    case FileProblem::CannotOpen:
      return "cannot be opened";
    case FileProblem::NotRegularFile:
      return "not a regular file";
    case FileProblem::ReadError:
      return "read error";
    case FileProblem::TooShort:
      return "shorter than 131104 bytes";
  }
  return "unknown problem";
}

bool HasFirmwareExtension(std::string_view path) {
  if (path.size() < 3) {
    return false;
  }
  const std::string_view last = path.substr(path.size() - 3);
  const char expected[] = {'F', 'W', 'U'};
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(last[i])) != expected[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace nimbo::flasher

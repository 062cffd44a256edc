#include "UserFiles.h"

#include <algorithm>
#include <cstdint>
#include <ostream>

#include "ShownText.h"
#include "UserFileSystem.h"

namespace nimbo::cli {
namespace {

using platform::FileKind;
using platform::SystemError;

FileOutcome Outcome(FileOutcome::Status status, std::string message) {
  return {status, std::move(message)};
}

std::string Cannot(const char* verb, const std::string& path, const std::string& reason) {
  return std::string("cannot ") + verb + " " + ShownName(path) + ": " + reason;
}

const char* KindInWords(FileKind kind) {
  switch (kind) {
    case FileKind::Directory:
      return "a directory";
    case FileKind::Fifo:
      return "a FIFO";
    case FileKind::CharacterDevice:
    case FileKind::BlockDevice:
      return "a device";
    case FileKind::Socket:
      return "a socket";
    default:
      return "something other than a file";
  }
}

// The refusal of anything but a regular file or a missing name, with the
// reason; kDone otherwise.
FileOutcome RefuseOddName(const char* verb, const std::string& path, const userfs::NameInfo& info) {
  if (path.empty()) {
    return Outcome(FileOutcome::kRefused, std::string("cannot ") + verb + ": no file name given");
  }
  if (info.link && info.kind == FileKind::Missing) {
    const std::string target = info.target.empty() ? "a file" : ShownName(info.target);
    return Outcome(
        FileOutcome::kRefused,
        Cannot(verb, path, "it is a symbolic link to " + target + ", which does not exist"));
  }
  if (info.kind == FileKind::Missing || info.kind == FileKind::Regular) {
    return {};
  }
  const std::string via = info.link ? "a symbolic link to " + ShownName(info.target) + ", " : "";
  return Outcome(
      FileOutcome::kRefused,
      Cannot(verb, path, "it is " + via + KindInWords(info.kind) + ", not a regular file"));
}

FileOutcome CheckOutput(const std::string& path, bool force, userfs::NameInfo& info) {
  if (const std::optional<std::string> refusal = platform::StreamNameRefusal(path)) {
    return Outcome(FileOutcome::kRefused, Cannot("write", path, *refusal));
  }
  if (SystemError error; !userfs::Inspect(path, info, error)) {
    return Outcome(FileOutcome::kFailed, Cannot("write", path, error.text));
  }
  FileOutcome outcome = RefuseOddName("write", path, info);
  if (outcome.Ok() && info.kind == FileKind::Regular && !force) {
    outcome = Outcome(FileOutcome::kExists,
                      ShownName(path) + " exists already; add --force to replace it");
  }
  return outcome;
}

std::string TooLarge(const std::string& path, std::uint64_t size, std::size_t maxBytes) {
  return Cannot("read", path,
                "it has " + std::to_string(size) + " bytes, more than the " +
                    std::to_string(maxBytes) + " that such a file can have");
}

}  // namespace

FileOutcome CheckOutputFile(const std::string& path, bool force) {
  userfs::NameInfo info;
  return path == "-" ? FileOutcome{} : CheckOutput(path, force, info);
}

FileOutcome WriteUserFile(const std::string& path, std::string_view contents, bool force,
                          std::ostream& standardOutput) {
  if (path == "-") {
    standardOutput.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    standardOutput.flush();
    return standardOutput ? FileOutcome{}
                          : Outcome(FileOutcome::kFailed, "cannot write to standard output");
  }
  userfs::NameInfo info;
  if (FileOutcome outcome = CheckOutput(path, force, info); !outcome.Ok()) {
    return outcome;
  }
  SystemError error;
  const bool written =
      info.kind == FileKind::Missing
          ? userfs::CreateNew(path, contents, error)
          : userfs::ReplaceRegular(info.link ? info.target : path, contents, error);
  if (!written && error.kind == SystemError::Kind::AlreadyExists) {
    // Someone else created the name since it was looked at.
    return CheckOutput(path, false, info);
  }
  return written ? FileOutcome{} : Outcome(FileOutcome::kFailed, Cannot("write", path, error.text));
}

std::optional<std::string> ReadUserFile(const std::string& path, std::size_t maxBytes,
                                        std::string& error) {
  if (const std::optional<std::string> refusal = platform::StreamNameRefusal(path)) {
    error = Cannot("read", path, *refusal);
    return std::nullopt;
  }
  userfs::NameInfo info;
  if (SystemError failure; !userfs::Inspect(path, info, failure)) {
    error = Cannot("read", path, failure.text);
    return std::nullopt;
  }
  if (FileOutcome refused = RefuseOddName("read", path, info); !refused.Ok()) {
    error = refused.message;
    return std::nullopt;
  }
  // Looked at before it is opened, as opening a device may do something; and
  // again once open, as the name may lead elsewhere by then.
  std::string contents;
  userfs::NameInfo opened;
  std::uint64_t size = 0;
  if (SystemError failure;
      !userfs::ReadRegular(path, maxBytes, contents, opened.kind, size, failure)) {
    error = Cannot("read", path, failure.text);
    return std::nullopt;
  }
  if (FileOutcome refused = RefuseOddName("read", path, opened); !refused.Ok()) {
    error = refused.message;
    return std::nullopt;
  }
  if (size > maxBytes || contents.size() > maxBytes) {
    error = TooLarge(path, std::max<std::uint64_t>(size, contents.size()), maxBytes);
    return std::nullopt;
  }
  return contents;
}

}  // namespace nimbo::cli

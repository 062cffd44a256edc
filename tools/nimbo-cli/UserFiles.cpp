#include "UserFiles.h"

#include <algorithm>
#include <cstdint>
#include <ostream>

#include "UserFileSystem.h"

namespace nimbo::cli {
namespace {

using userfs::Kind;

FileOutcome Outcome(FileOutcome::Status status, std::string message) {
  return {status, std::move(message)};
}

std::string Cannot(const char* verb, const std::string& path, const std::string& reason) {
  return std::string("cannot ") + verb + " " + path + ": " + reason;
}

const char* Describe(Kind kind) {
  switch (kind) {
    case Kind::kDirectory:
      return "a directory";
    case Kind::kFifo:
      return "a FIFO";
    case Kind::kDevice:
      return "a device";
    case Kind::kSocket:
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
  if (info.link && info.kind == Kind::kMissing) {
    return Outcome(
        FileOutcome::kRefused,
        Cannot(verb, path, "it is a symbolic link to " + info.target + ", which does not exist"));
  }
  if (info.kind == Kind::kMissing || info.kind == Kind::kRegular) {
    return {};
  }
  const std::string via = info.link ? "a symbolic link to " + info.target + ", " : "";
  return Outcome(FileOutcome::kRefused,
                 Cannot(verb, path, "it is " + via + Describe(info.kind) + ", not a regular file"));
}

FileOutcome CheckOutput(const std::string& path, bool force, userfs::NameInfo& info) {
  if (const std::error_code error = userfs::Inspect(path, info)) {
    return Outcome(FileOutcome::kFailed, Cannot("write", path, error.message()));
  }
  FileOutcome outcome = RefuseOddName("write", path, info);
  if (outcome.Ok() && info.kind == Kind::kRegular && !force) {
    outcome = Outcome(FileOutcome::kExists, path + " exists already; add --force to replace it");
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
  const std::error_code error =
      info.kind == Kind::kMissing
          ? userfs::CreateNew(path, contents)
          : userfs::ReplaceRegular(info.link ? info.target : path, contents);
  if (error == std::errc::file_exists) {
    // Someone else created the name since it was looked at.
    return CheckOutput(path, false, info);
  }
  return error ? Outcome(FileOutcome::kFailed, Cannot("write", path, error.message()))
               : FileOutcome{};
}

std::optional<std::string> ReadUserFile(const std::string& path, std::size_t maxBytes,
                                        std::string& error) {
  userfs::NameInfo info;
  if (const std::error_code failure = userfs::Inspect(path, info)) {
    error = Cannot("read", path, failure.message());
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
  if (const std::error_code failure = userfs::ReadRegular(path, maxBytes, contents, opened)) {
    error = Cannot("read", path, failure.message());
    return std::nullopt;
  }
  if (FileOutcome refused = RefuseOddName("read", path, opened); !refused.Ok()) {
    error = refused.message;
    return std::nullopt;
  }
  if (opened.size > maxBytes || contents.size() > maxBytes) {
    error = TooLarge(path, std::max<std::uint64_t>(opened.size, contents.size()), maxBytes);
    return std::nullopt;
  }
  return contents;
}

}  // namespace nimbo::cli

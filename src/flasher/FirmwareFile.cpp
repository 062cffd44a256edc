#include "flasher/FirmwareFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

#include "flasher/FirmwareCodec.h"

namespace nimbo::flasher {

namespace {

// Closes the descriptor on every way out.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }

 private:
  int fd_;
};

}  // namespace

FirmwareFileRead ReadFirmwareFile(const std::string& path) {
  FirmwareFileRead result;
  if (path.empty()) {
    result.problem = FileProblem::CannotOpen;
    return result;
  }
  // O_NONBLOCK: opening a FIFO with no writer must not wait for one. The
  // type check below then refuses it before any read.
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!file.Valid()) {
    result.problem = FileProblem::CannotOpen;
    return result;
  }
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0) {
    result.problem = FileProblem::ReadError;
    return result;
  }
  if (!S_ISREG(info.st_mode)) {
    result.problem = FileProblem::NotRegularFile;
    return result;
  }
  result.bytes.resize(kFirmwareFileSize);
  std::size_t total = 0;
  while (total < kFirmwareFileSize) {
    const ssize_t got = ::read(file.Get(), result.bytes.data() + total, kFirmwareFileSize - total);
    if (got < 0) {
      if (errno == EINTR) {
        continue;
      }
      result.bytes.resize(total);
      result.problem = FileProblem::ReadError;
      return result;
    }
    if (got == 0) {
      break;  // end of file
    }
    total += static_cast<std::size_t>(got);
  }
  result.bytes.resize(total);
  if (total < kFirmwareFileSize) {
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

// Files on POSIX: descriptors, open-file-description locks, mmap, and
// renames that never replace unless asked to.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <utility>

#include "link/platform/File.h"
#include "link/platform/SharedMapping.h"
#include "link/platform/TemporaryFile.h"

namespace nimbo::platform {
namespace {

SystemError LastError() {
  const int code = errno;
  SystemError error;
  error.kind = code == ENOENT   ? SystemError::Kind::NotFound
               : code == EEXIST ? SystemError::Kind::AlreadyExists
                                : SystemError::Kind::Other;
  error.text = std::strerror(code);
  return error;
}

FileKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) {
    return FileKind::Regular;
  }
  if (S_ISDIR(mode)) {
    return FileKind::Directory;
  }
  if (S_ISLNK(mode)) {
    return FileKind::SymbolicLink;
  }
  if (S_ISFIFO(mode)) {
    return FileKind::Fifo;
  }
  if (S_ISCHR(mode)) {
    return FileKind::CharacterDevice;
  }
  if (S_ISBLK(mode)) {
    return FileKind::BlockDevice;
  }
  if (S_ISSOCK(mode)) {
    return FileKind::Socket;
  }
  return FileKind::Other;
}

int Fd(std::intptr_t handle) {
  return static_cast<int>(handle);
}

// A lock on byte `slot`, owned by the open file description (not the
// process), so that two opens in one process exclude each other too.
bool SetLock(int fd, int slot, short type, bool wait) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = slot;
  lock.l_len = 1;
  while (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock) != 0) {
    if (errno != EINTR) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<FileKind> KindOf(const std::string& path, Links links, SystemError& error) {
  struct stat info {};
  const int result =
      links == Links::Follow ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
  if (result != 0) {
    if (errno == ENOENT) {
      return FileKind::Missing;
    }
    error = LastError();
    return std::nullopt;
  }
  return KindOfMode(info.st_mode);
}

// --- File ---

std::optional<File> File::Open(const std::string& path, Access access, SystemError& error) {
  // O_NONBLOCK: opening a FIFO without a writer must not wait for one.
  const int flags =
      (access == Access::ReadWrite ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) {
    error = LastError();
    return std::nullopt;
  }
  return File(fd);
}

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), heldSlots_(std::exchange(other.heldSlots_, 0)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (handle_ >= 0) {
      ::close(Fd(handle_));
    }
    handle_ = std::exchange(other.handle_, -1);
    heldSlots_ = std::exchange(other.heldSlots_, 0);
  }
  return *this;
}

File::~File() {
  if (handle_ >= 0) {
    ::close(Fd(handle_));
  }
}

FileKind File::Kind() const {
  struct stat info {};
  return ::fstat(Fd(handle_), &info) == 0 ? KindOfMode(info.st_mode) : FileKind::Other;
}

std::optional<std::uint64_t> File::Size() const {
  struct stat info {};
  if (::fstat(Fd(handle_), &info) != 0) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::size_t> File::ReadAt(std::span<std::uint8_t> bytes, std::uint64_t offset,
                                        SystemError& error) const {
  std::size_t total = 0;
  while (total < bytes.size()) {
    const ssize_t got = ::pread(Fd(handle_), bytes.data() + total, bytes.size() - total,
                                static_cast<off_t>(offset + total));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      error = LastError();
      return std::nullopt;
    }
    if (got == 0) {
      break;  // end of file
    }
    total += static_cast<std::size_t>(got);
  }
  return total;
}

bool File::TryLock(int slot) {
  if ((heldSlots_ >> slot & 1) == 0 && !SetLock(Fd(handle_), slot, F_WRLCK, false)) {
    return false;
  }
  heldSlots_ |= std::uint64_t{1} << slot;
  return true;
}

void File::Lock(int slot) {
  if ((heldSlots_ >> slot & 1) == 0 && SetLock(Fd(handle_), slot, F_WRLCK, true)) {
    heldSlots_ |= std::uint64_t{1} << slot;
  }
}

void File::Unlock(int slot) {
  if ((heldSlots_ >> slot & 1) != 0) {
    SetLock(Fd(handle_), slot, F_UNLCK, false);
    heldSlots_ &= ~(std::uint64_t{1} << slot);
  }
}

bool File::IsAt(const std::string& path) const {
  struct stat opened {};
  struct stat named {};
  return ::fstat(Fd(handle_), &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
         opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// --- SharedMapping ---

std::optional<SharedMapping> SharedMapping::Map(const File& file, std::size_t size,
                                                SystemError& error) {
  void* base = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, Fd(file.Native()), 0);
  if (base == MAP_FAILED) {
    error = LastError();
    return std::nullopt;
  }
  return SharedMapping(static_cast<std::uint8_t*>(base), size, 0);
}

SharedMapping::SharedMapping(SharedMapping&& other) noexcept
    : base_(std::exchange(other.base_, nullptr)), size_(other.size_), mapping_(other.mapping_) {}

SharedMapping::~SharedMapping() {
  if (base_ != nullptr) {
    ::munmap(base_, size_);
  }
}

// --- TemporaryFile ---

std::optional<TemporaryFile> TemporaryFile::CreateBeside(const std::string& target,
                                                         SystemError& error) {
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string stem = slash == std::string::npos ? target : target.substr(slash + 1);
  std::random_device entropy;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%ld.%08x.tmp", static_cast<long>(::getpid()), entropy());
    std::string path = folder + "." + stem + suffix;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) {
      return TemporaryFile(File(fd), std::move(path));
    }
    if (errno != EEXIST) {
      error = LastError();
      return std::nullopt;
    }
  }
  errno = EEXIST;
  error = LastError();
  return std::nullopt;
}

TemporaryFile::TemporaryFile(TemporaryFile&& other) noexcept
    : file_(std::move(other.file_)), path_(std::exchange(other.path_, {})) {
  other.file_.reset();
}

TemporaryFile::~TemporaryFile() {
  Discard();
}

void TemporaryFile::Discard() {
  file_.reset();
  if (!path_.empty()) {
    ::unlink(path_.c_str());
    path_.clear();
  }
}

bool TemporaryFile::Write(std::span<const std::uint8_t> bytes, SystemError& error) {
  while (!bytes.empty()) {
    const ssize_t done = ::write(Fd(file_->Native()), bytes.data(), bytes.size());
    if (done < 0 && errno == EINTR) {
      continue;
    }
    if (done < 0) {
      error = LastError();
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(done));
  }
  return true;
}

bool TemporaryFile::TakeAttributesOf(const File& model, SystemError& error) {
  struct stat info {};
  if (::fstat(Fd(model.Native()), &info) != 0 ||
      ::fchmod(Fd(file_->Native()), info.st_mode & 07777) != 0) {
    error = LastError();
    return false;
  }
  // Only root may give a file away; anyone else's file stays theirs anyway.
  [[maybe_unused]] const int ignored = ::fchown(Fd(file_->Native()), info.st_uid, info.st_gid);
  return true;
}

bool TemporaryFile::PutInPlace(const std::string& target, Existing existing, SystemError& error) {
  bool linked = false;
  int result = ::fsync(Fd(file_->Native()));
  if (result == 0 && existing == Existing::Replace) {
    result = ::rename(path_.c_str(), target.c_str());
  } else if (result == 0) {
    result = ::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
      // A file system or kernel without it: a hard link fails just as well
      // on an existing name.
      result = ::link(path_.c_str(), target.c_str());
      linked = true;
    }
  }
  if (result != 0) {
    error = LastError();
    Discard();
    return false;
  }
  if (!linked) {
    path_.clear();  // renamed: nothing left to remove
  }
  Discard();
  return true;
}

std::optional<std::string> ResolveLinks(const std::string& path, SystemError& error) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) {
    error = LastError();
    return std::nullopt;
  }
  std::string result(resolved);
  std::free(resolved);
  return result;
}

}  // namespace nimbo::platform

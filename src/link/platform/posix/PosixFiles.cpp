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

std::optional<std::string> StreamNameRefusal(const std::string&) {
  return std::nullopt;  // a ':' is a character like any other
}

std::string SavedName(const std::string& path) {
  return path;
}

std::optional<std::string> LinkTarget(const std::string& path, SystemError& error) {
  std::string target(PATH_MAX, '\0');
  const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
  if (length < 0) {
    error = LastError();
    return std::nullopt;
  }
  target.resize(static_cast<std::size_t>(length));
  return target;
}

// --- File ---

std::optional<File> File::Open(const std::string& path, Access access, SystemError& error) {
  // O_NONBLOCK: opening a FIFO without a writer must not wait for one.
  const int flags =
      access == Access::Attributes
          ? O_PATH | O_CLOEXEC
          : (access == Access::ReadWrite ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
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

bool File::SetSlotLock(int slot, bool lock, bool wait) const {
  return SetLock(Fd(handle_), slot, lock ? F_WRLCK : F_UNLCK, wait);
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

namespace {

// The folder part of `path`, with its slash ("" for a bare name), and the rest.
std::pair<std::string, std::string> SplitName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return {"", path};
  }
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// Calls `create` with fresh names beside `target` until one is not taken;
// the name, or nullopt with the reason.
template <typename Create>
std::optional<std::string> CreateUnderFreshName(const std::string& target, Create create,
                                                SystemError& error) {
  const auto [folder, name] = SplitName(target);
  std::random_device entropy;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = TemporaryName(folder, name, entropy());
    if (create(path)) {
      return path;
    }
    if (errno != EEXIST) {
      break;
    }
  }
  error = LastError();
  return std::nullopt;
}

// The name under which an unnamed open file can be linked into a folder.
std::string OwnEntry(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace

std::optional<TemporaryFile> TemporaryFile::CreateBeside(const std::string& target,
                                                         SystemError& error) {
  // A file without a name first: nobody sees it before it is whole, and
  // nothing is left of it when the program dies. It is named through /proc.
  if (::access("/proc/self/fd", F_OK) == 0) {
    const std::string folder = SplitName(target).first;
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0) {
      return TemporaryFile(File(fd), "");
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      error = LastError();
      return std::nullopt;
    }
  }
  // A file system without unnamed files: a fresh name, never a planted link.
  int fd = -1;
  std::optional<std::string> path = CreateUnderFreshName(
      target,
      [&fd](const std::string& name) {
        fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        return fd >= 0;
      },
      error);
  if (!path) {
    return std::nullopt;
  }
  return TemporaryFile(File(fd), std::move(*path));
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
  if (::fstat(Fd(model.Native()), &info) != 0) {
    error = LastError();
    return false;
  }
  // Only root may give a file away; anyone else's file stays theirs anyway.
  // The owner first: a change of owner may clear bits that the mode then sets.
  [[maybe_unused]] const int ignored = ::fchown(Fd(file_->Native()), info.st_uid, info.st_gid);
  if (::fchmod(Fd(file_->Native()), info.st_mode & 07777) != 0) {
    error = LastError();
    return false;
  }
  return true;
}

bool TemporaryFile::PutInPlace(const std::string& target, Existing existing, SystemError& error) {
  const int fd = Fd(file_->Native());
  bool linked = false;
  int result = ::fsync(fd);
  if (result == 0 && path_.empty() && existing == Existing::Keep) {
    // linkat refuses an existing name, a planted link among them.
    result = ::linkat(AT_FDCWD, OwnEntry(fd).c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW);
    linked = true;
  } else if (result == 0 && path_.empty()) {
    // A name of its own first, from which it replaces the target in one step.
    const std::optional<std::string> named = CreateUnderFreshName(
        target,
        [fd](const std::string& name) {
          return ::linkat(AT_FDCWD, OwnEntry(fd).c_str(), AT_FDCWD, name.c_str(),
                          AT_SYMLINK_FOLLOW) == 0;
        },
        error);
    if (!named) {
      Discard();
      return false;
    }
    path_ = *named;
  }
  if (result == 0 && !linked && existing == Existing::Replace) {
    result = ::rename(path_.c_str(), target.c_str());
  } else if (result == 0 && !linked) {
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

// The files a user names on Linux and other POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <vector>

#include "UserFileSystem.h"

namespace nimbo::cli::userfs {
namespace {

std::error_code LastError() {
  return {errno, std::generic_category()};
}

// Closes a descriptor when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }
  // Closes now: the last chance to learn of a failed write.
  std::error_code Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? std::error_code() : LastError();
  }

 private:
  int fd_;
};

Kind KindOf(mode_t mode) {
  if (S_ISREG(mode)) {
    return Kind::kRegular;
  }
  if (S_ISDIR(mode)) {
    return Kind::kDirectory;
  }
  if (S_ISFIFO(mode)) {
    return Kind::kFifo;
  }
  if (S_ISCHR(mode) || S_ISBLK(mode)) {
    return Kind::kDevice;
  }
  return S_ISSOCK(mode) ? Kind::kSocket : Kind::kOther;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes everything and puts it on the disk.
std::error_code WriteAll(const Descriptor& file, std::string_view contents) {
  std::size_t done = 0;
  while (done < contents.size()) {
    const ssize_t wrote = ::write(file.Get(), contents.data() + done, contents.size() - done);
    if (wrote < 0 && errno == EINTR) {
      continue;
    }
    if (wrote <= 0) {
      return wrote < 0 ? LastError() : std::make_error_code(std::errc::io_error);
    }
    done += static_cast<std::size_t>(wrote);
  }
  return ::fsync(file.Get()) == 0 ? std::error_code() : LastError();
}

// A failure that left `path` behind: remove it and report the failure.
std::error_code Undo(const std::string& path, std::error_code error) {
  ::unlink(path.c_str());
  return error;
}

}  // namespace

std::error_code Inspect(const std::string& path, NameInfo& info) {
  info = NameInfo{};
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) {
    return errno == ENOENT ? std::error_code() : LastError();
  }
  info.link = S_ISLNK(status.st_mode);
  if (info.link) {
    if (::stat(path.c_str(), &status) != 0) {
      if (errno != ENOENT) {
        return LastError();
      }
      std::vector<char> target(4096);
      const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
      info.target.assign(target.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
      return {};  // a link to nothing: kMissing
    }
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                           &std::free);
    if (!real) {
      return LastError();
    }
    info.target = real.get();
  }
  info.kind = KindOf(status.st_mode);
  info.size = static_cast<std::uint64_t>(status.st_size);
  return {};
}

std::error_code CreateNew(const std::string& path, std::string_view contents) {
  // A file without a name in the target's folder, named only once it is
  // whole: linkat() refuses a name that exists, and a failure or a crash
  // before it leaves nothing behind.
  Descriptor unnamed(::open(FolderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  if (unnamed.Get() >= 0) {
    if (const std::error_code error = WriteAll(unnamed, contents)) {
      return error;
    }
    const std::string self = "/proc/self/fd/" + std::to_string(unnamed.Get());
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      const std::error_code error = unnamed.Close();
      return error ? Undo(path, error) : error;
    }
    // Without /proc the file cannot be named; anything else is the answer.
    if (errno != ENOENT || ::access("/proc/self/fd", F_OK) == 0) {
      return LastError();
    }
  } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
    return LastError();
  }
  // A file system without unnamed files: the name itself, created only if
  // it does not exist, and removed again when the write fails.
  Descriptor named(
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666));
  if (named.Get() < 0) {
    return LastError();
  }
  std::error_code error = WriteAll(named, contents);
  error = error ? error : named.Close();
  return error ? Undo(path, error) : error;
}

std::error_code ReplaceRegular(const std::string& path, std::string_view contents) {
  struct stat old {};
  if (::stat(path.c_str(), &old) != 0) {
    return LastError();
  }
  const auto slash = path.rfind('/');
  std::string temporary =
      FolderOf(path) + "/." + path.substr(slash == std::string::npos ? 0 : slash + 1) + ".XXXXXX";
  std::vector<char> name(temporary.begin(), temporary.end());
  name.push_back('\0');
  // mkostemp creates the file exclusively, never through a planted link.
  Descriptor file(::mkostemp(name.data(), O_CLOEXEC));
  if (file.Get() < 0) {
    return LastError();
  }
  temporary = name.data();
  // The new file keeps the old one's owner (only root may give a file away,
  // so EPERM just leaves it ours) and permission bits.
  if (::fchown(file.Get(), old.st_uid, old.st_gid) != 0 && errno != EPERM) {
    return Undo(temporary, LastError());
  }
  if (::fchmod(file.Get(), old.st_mode & 0777) != 0) {
    return Undo(temporary, LastError());
  }
  std::error_code error = WriteAll(file, contents);
  error = error ? error : file.Close();
  if (!error && ::rename(temporary.c_str(), path.c_str()) != 0) {
    error = LastError();
  }
  return error ? Undo(temporary, error) : error;
}

std::error_code ReadRegular(const std::string& path, std::size_t maxBytes, std::string& contents,
                            NameInfo& opened) {
  opened = NameInfo{};
  contents.clear();
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.Get() < 0) {
    return LastError();
  }
  struct stat status {};
  if (::fstat(file.Get(), &status) != 0) {
    return LastError();
  }
  opened.kind = KindOf(status.st_mode);
  opened.size = static_cast<std::uint64_t>(status.st_size);
  if (opened.kind != Kind::kRegular || opened.size > maxBytes) {
    return {};
  }
  std::vector<char> buffer(4096);
  while (contents.size() <= maxBytes) {
    const ssize_t got = ::read(file.Get(), buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      return LastError();
    }
    if (got == 0) {
      break;
    }
    contents.append(buffer.data(), static_cast<std::size_t>(got));
  }
  return {};
}

}  // namespace nimbo::cli::userfs

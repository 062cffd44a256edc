#include "UserFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace nimbo::cli {
namespace {

std::string Reason(const std::string& what, const std::string& path, int error) {
  return "cannot " + what + " " + path + ": " + std::strerror(error);
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
  // Closes now and reports whether the close (the last chance to see a
  // write error) succeeded.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) {
    return "a directory";
  }
  if (S_ISFIFO(mode)) {
    return "a FIFO";
  }
  if (S_ISCHR(mode) || S_ISBLK(mode)) {
    return "a device";
  }
  if (S_ISSOCK(mode)) {
    return "a socket";
  }
  return "not a regular file";
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::optional<std::string> ReadUserFile(const std::string& path, std::size_t maxBytes,
                                        std::string& error) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.Get() < 0) {
    error = Reason("read", path, errno);
    return std::nullopt;
  }
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0) {
    error = Reason("read", path, errno);
    return std::nullopt;
  }
  if (!S_ISREG(info.st_mode)) {
    error = "cannot read " + path + ": it is " + KindOf(info.st_mode);
    return std::nullopt;
  }
  if (static_cast<std::size_t>(info.st_size) > maxBytes) {
    error = "cannot read " + path + ": it is too large (" + std::to_string(info.st_size) +
            " bytes) to be what it should be";
    return std::nullopt;
  }
  std::string contents;
  std::vector<char> buffer(4096);
  while (true) {
    const ssize_t got = ::read(file.Get(), buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      error = Reason("read", path, errno);
      return std::nullopt;
    }
    if (got == 0) {
      return contents;
    }
    contents.append(buffer.data(), static_cast<std::size_t>(got));
    if (contents.size() > maxBytes) {
      error = "cannot read " + path + ": it grew while being read";
      return std::nullopt;
    }
  }
}

bool WriteUserFile(const std::string& path, std::string_view contents, bool replace,
                   std::string& error) {
  std::string temporary = FolderOf(path) + "/.nimbo-XXXXXX";
  std::vector<char> name(temporary.begin(), temporary.end());
  name.push_back('\0');
  // mkstemp creates the file exclusively (never through a planted link).
  Descriptor file(::mkstemp(name.data()));
  if (file.Get() < 0) {
    error = Reason("write", path, errno);
    return false;
  }
  temporary = name.data();
  // mkstemp makes the file private; a backup gets the ordinary mode.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  bool ok = ::fchmod(file.Get(), 0666 & ~mask) == 0;
  std::size_t done = 0;
  while (ok && done < contents.size()) {
    const ssize_t wrote = ::write(file.Get(), contents.data() + done, contents.size() - done);
    if (wrote < 0 && errno == EINTR) {
      continue;
    }
    ok = wrote > 0;
    done += ok ? static_cast<std::size_t>(wrote) : 0;
  }
  ok = ok && ::fsync(file.Get()) == 0;
  int failure = ok ? 0 : errno;
  ok = file.Close() && ok;
  if (ok) {
    // link() refuses an existing name, so nothing is ever overwritten by
    // accident; rename() replaces it whole when asked to.
    ok = (replace ? ::rename(temporary.c_str(), path.c_str())
                  : ::link(temporary.c_str(), path.c_str())) == 0;
    failure = ok ? 0 : errno;
    if (!ok && !replace && (failure == EPERM || failure == EOPNOTSUPP)) {
      // A file system without hard links (a memory stick): check, then move.
      struct stat existing {};
      failure = ::lstat(path.c_str(), &existing) == 0 ? EEXIST : 0;
      ok = failure == 0 && ::rename(temporary.c_str(), path.c_str()) == 0;
      failure = ok ? 0 : (failure != 0 ? failure : errno);
    }
  } else if (failure == 0) {
    failure = errno;
  }
  if (!ok || !replace) {
    ::unlink(temporary.c_str());
  }
  if (!ok) {
    error = failure == EEXIST ? "cannot write " + path + ": the file exists already"
                              : Reason("write", path, failure);
  }
  return ok;
}

}  // namespace nimbo::cli

#undef _FORTIFY_SOURCE  // the fortified open() would clash with the one defined here
// Preloaded before umockdev's own preload: makes opening an emulated USB
// device node fail with EACCES, as it does for a user without access rights.
// umockdev cannot refuse an open, and the tests run as root, whom file modes
// do not stop. A node is refused while the testbed holds a marker file for it
// (see EmulatedUsbBus::RefuseOpen).
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// `path` as the program gave it, or as umockdev's preload redirected it into
// the testbed.
bool Refused(const char* path) {
  const char* root = std::getenv("UMOCKDEV_DIR");
  if (root == nullptr || path == nullptr) {
    return false;
  }
  const std::size_t rootLength = std::strlen(root);
  if (std::strncmp(path, root, rootLength) == 0) {
    path += rootLength;
  }
  if (std::strncmp(path, "/dev/bus/usb/", 13) != 0) {
    return false;
  }
  char marker[4096];
  if (std::snprintf(marker, sizeof marker, "%s/refused-open%s", root, path) >=
      static_cast<int>(sizeof marker)) {
    return false;
  }
  struct stat info;
  return stat(marker, &info) == 0;
}

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int open(const char* path, int flags, ...) {
  mode_t mode = 0;
  if ((flags & (O_CREAT | O_TMPFILE)) != 0) {
    va_list rest;
    va_start(rest, flags);
    mode = va_arg(rest, mode_t);
    va_end(rest);
  }
  if (Refused(path)) {
    errno = EACCES;
    return -1;
  }
  static const auto next = Next<int (*)(const char*, int, ...)>("open");
  return next(path, flags, mode);
}

__attribute__((visibility("default"))) int __open_2(const char* path, int flags) {
  if (Refused(path)) {
    errno = EACCES;
    return -1;
  }
  static const auto next = Next<int (*)(const char*, int)>("__open_2");
  return next(path, flags);
}

}  // extern "C"

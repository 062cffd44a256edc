// A failed system call, in the system's own words, with the few outcomes
// that callers tell apart.
#pragma once

#include <string>

namespace nimbo::platform {

struct SystemError {
  enum class Kind {
    NotFound,       // no file, folder or library of that name
    AlreadyExists,  // a name that was to be new is taken
    Other,
  };
  Kind kind = Kind::Other;
  std::string text;  // "No such file or directory", "Access is denied."
};

}  // namespace nimbo::platform

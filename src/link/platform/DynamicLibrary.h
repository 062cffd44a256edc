// A library loaded while the program runs, for a driver that may or may not
// be installed on the user's system.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "link/platform/SystemError.h"

namespace nimbo::platform {

class DynamicLibrary {
 public:
  // Any function's address; cast to its real type before the call.
  using Function = void (*)();

  // Loads `name` (UTF-8): a bare file name is looked for where the system
  // looks for libraries, a path is taken as it is. NotFound when there is no
  // such library.
  static std::optional<DynamicLibrary> Load(const std::string& name, SystemError& error);

  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&&) = delete;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;
  ~DynamicLibrary();

  // The function the library exports as `symbol`, or nullptr.
  Function Find(const char* symbol) const;

 private:
  explicit DynamicLibrary(std::intptr_t handle) : handle_(handle) {}

  std::intptr_t handle_;
};

}  // namespace nimbo::platform

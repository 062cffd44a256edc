// The first bytes of an open file in memory, shared with every other program
// that maps the same file: a change is in the file the moment it is made, and
// stays there if the program is killed right after.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "link/platform/File.h"
#include "link/platform/SystemError.h"

namespace nimbo::platform {

class SharedMapping {
 public:
  // Maps `size` bytes of `file` (opened for reading and writing) from its
  // start; the file must be at least that long.
  static std::optional<SharedMapping> Map(const File& file, std::size_t size, SystemError& error);

  SharedMapping(SharedMapping&& other) noexcept;
  SharedMapping& operator=(SharedMapping&&) = delete;
  SharedMapping(const SharedMapping&) = delete;
  SharedMapping& operator=(const SharedMapping&) = delete;
  ~SharedMapping();

  std::span<std::uint8_t> Bytes() const { return {base_, size_}; }

 private:
  SharedMapping(std::uint8_t* base, std::size_t size, std::intptr_t mapping)
      : base_(base), size_(size), mapping_(mapping) {}

  std::uint8_t* base_;
  std::size_t size_;
  std::intptr_t mapping_;  // the mapping object, where the system has one
};

}  // namespace nimbo::platform

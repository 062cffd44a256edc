// An open file of the user's, closed with its owner.
//
// Opening never waits: a FIFO or a device opens (or fails) at once, so that
// the caller can look at Kind() before reading anything from it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "link/platform/FileKind.h"
#include "link/platform/SystemError.h"

namespace nimbo::platform {

class File {
 public:
  enum class Access {
    Read,
    ReadWrite,
    // Neither read nor write: only what the file is (Kind, Size), even
    // without the right to read it.
    Attributes,
  };

  // Opens the existing file `path` (UTF-8), following symbolic links.
  static std::optional<File> Open(const std::string& path, Access access, SystemError& error);

  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // The kind of the open file itself (Other when the system cannot say).
  FileKind Kind() const;
  // Bytes in the file now; nullopt when the system cannot say.
  std::optional<std::uint64_t> Size() const;
  // Reads into `bytes` from `offset` on until they are full or the file ends;
  // the number of bytes read, or nullopt with the reason on a read error.
  std::optional<std::size_t> ReadAt(std::span<std::uint8_t> bytes, std::uint64_t offset,
                                    SystemError& error) const;

  // Locks on numbered slots of the file, apart from its bytes: they never
  // keep anyone from reading or writing the file. Every open of the file
  // takes them on its own, and they go with the open file (closed or its
  // process ended). TryLock gives up at once, Lock waits. Slots 0 to 63.
  bool TryLock(int slot);
  void Lock(int slot);
  void Unlock(int slot);

  // True when `path` names this very file now, not one put in its place.
  bool IsAt(const std::string& path) const;

  // The system's handle (a descriptor on POSIX, a HANDLE on Windows).
  std::intptr_t Native() const { return handle_; }

 private:
  explicit File(std::intptr_t handle) : handle_(handle) {}
  friend class TemporaryFile;
  // The system's lock on one slot: taken (waiting or not) or given back.
  bool SetSlotLock(int slot, bool lock, bool wait) const;

  std::intptr_t handle_;
  std::uint64_t heldSlots_ = 0;  // a slot held already is not locked again
};

}  // namespace nimbo::platform

// Files on Windows: handles opened with every sharing mode (as POSIX files
// behave), LockFileEx on ranges far past the end of the file (Windows locks
// keep others from reading what they cover), file mappings, and moves that
// replace only through ReplaceFileW.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <utility>
#include <vector>

#include "link/platform/File.h"
#include "link/platform/SharedMapping.h"
#include "link/platform/TemporaryFile.h"
#include "link/platform/windows/WideText.h"

namespace nimbo::platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Lock slots live at 2^62 and up, where no file reaches.
constexpr std::uint64_t kLockBase = std::uint64_t{1} << 62;

HANDLE AsHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

std::intptr_t Stored(HANDLE handle) {
  return reinterpret_cast<std::intptr_t>(handle);
}

// Opens `path` without reading or writing it, to ask what it is. Follows
// links unless told not to. INVALID_HANDLE_VALUE with `error` set on failure.
HANDLE OpenForAttributes(const std::string& path, Links links, SystemError& error) {
  const std::optional<std::wstring> wide = WideFromUtf8(path, error);
  if (!wide) {
    return INVALID_HANDLE_VALUE;
  }
  const DWORD flags =
      FILE_FLAG_BACKUP_SEMANTICS | (links == Links::DoNotFollow ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  const HANDLE handle = ::CreateFileW(wide->c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                      OPEN_EXISTING, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = LastSystemError();
  }
  return handle;
}

FileKind KindOfHandle(HANDLE handle) {
  switch (::GetFileType(handle)) {
    case FILE_TYPE_DISK:
      break;
    case FILE_TYPE_CHAR:
      return FileKind::CharacterDevice;  // CON, NUL, COM1 ...
    case FILE_TYPE_PIPE:
      return FileKind::Fifo;
    default:
      return FileKind::Other;
  }
  FILE_ATTRIBUTE_TAG_INFO info{};
  if (!::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info)) {
    return FileKind::Other;
  }
  // Only links count as links: other reparse points (cloud files, for one)
  // are ordinary files and folders.
  if ((info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
      (info.ReparseTag == IO_REPARSE_TAG_SYMLINK ||
       info.ReparseTag == IO_REPARSE_TAG_MOUNT_POINT)) {
    return FileKind::SymbolicLink;
  }
  return (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::Directory
                                                               : FileKind::Regular;
}

bool SameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION first{};
  BY_HANDLE_FILE_INFORMATION second{};
  return ::GetFileInformationByHandle(a, &first) && ::GetFileInformationByHandle(b, &second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED position{};
  position.Offset = static_cast<DWORD>(offset);
  position.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return position;
}

bool SetLock(HANDLE handle, int slot, bool lock, bool wait) {
  OVERLAPPED position = At(kLockBase + static_cast<std::uint64_t>(slot));
  if (!lock) {
    return ::UnlockFileEx(handle, 0, 1, 0, &position) != 0;
  }
  const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
  return ::LockFileEx(handle, flags, 0, 1, 0, &position) != 0;
}

}  // namespace

std::optional<FileKind> KindOf(const std::string& path, Links links, SystemError& error) {
  SystemError failure;
  const HANDLE handle = OpenForAttributes(path, links, failure);
  if (handle == INVALID_HANDLE_VALUE) {
    if (failure.kind == SystemError::Kind::NotFound) {
      return FileKind::Missing;
    }
    error = failure;
    return std::nullopt;
  }
  const FileKind kind = KindOfHandle(handle);
  ::CloseHandle(handle);
  return kind;
}

// --- File ---

std::optional<File> File::Open(const std::string& path, Access access, SystemError& error) {
  const std::optional<std::wstring> wide = WideFromUtf8(path, error);
  if (!wide) {
    return std::nullopt;
  }
  // Folders open too (backup semantics), so that Kind() can name them.
  const DWORD rights = access == Access::ReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
  const HANDLE handle = ::CreateFileW(wide->c_str(), rights, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = LastSystemError();
    return std::nullopt;
  }
  return File(Stored(handle));
}

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), heldSlots_(std::exchange(other.heldSlots_, 0)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (handle_ != -1) {
      ::CloseHandle(AsHandle(handle_));
    }
    handle_ = std::exchange(other.handle_, -1);
    heldSlots_ = std::exchange(other.heldSlots_, 0);
  }
  return *this;
}

File::~File() {
  if (handle_ != -1) {
    ::CloseHandle(AsHandle(handle_));  // its locks go with it
  }
}

FileKind File::Kind() const {
  return KindOfHandle(AsHandle(handle_));
}

std::optional<std::uint64_t> File::Size() const {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(AsHandle(handle_), &size)) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(size.QuadPart);
}

std::optional<std::size_t> File::ReadAt(std::span<std::uint8_t> bytes, std::uint64_t offset,
                                        SystemError& error) const {
  std::size_t total = 0;
  while (total < bytes.size()) {
    OVERLAPPED position = At(offset + total);
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - total, 1 << 30));
    DWORD got = 0;
    if (!::ReadFile(AsHandle(handle_), bytes.data() + total, wanted, &got, &position)) {
      if (::GetLastError() == ERROR_HANDLE_EOF) {
        break;
      }
      error = LastSystemError();
      return std::nullopt;
    }
    if (got == 0) {
      break;  // end of file
    }
    total += got;
  }
  return total;
}

bool File::TryLock(int slot) {
  if ((heldSlots_ >> slot & 1) == 0 && !SetLock(AsHandle(handle_), slot, true, false)) {
    return false;
  }
  heldSlots_ |= std::uint64_t{1} << slot;
  return true;
}

void File::Lock(int slot) {
  if ((heldSlots_ >> slot & 1) == 0 && SetLock(AsHandle(handle_), slot, true, true)) {
    heldSlots_ |= std::uint64_t{1} << slot;
  }
}

void File::Unlock(int slot) {
  if ((heldSlots_ >> slot & 1) != 0) {
    SetLock(AsHandle(handle_), slot, false, false);
    heldSlots_ &= ~(std::uint64_t{1} << slot);
  }
}

bool File::IsAt(const std::string& path) const {
  SystemError ignored;
  const HANDLE named = OpenForAttributes(path, Links::Follow, ignored);
  if (named == INVALID_HANDLE_VALUE) {
    return false;
  }
  const bool same = SameFile(AsHandle(handle_), named);
  ::CloseHandle(named);
  return same;
}

// --- SharedMapping ---

std::optional<SharedMapping> SharedMapping::Map(const File& file, std::size_t size,
                                                SystemError& error) {
  const HANDLE mapping =
      ::CreateFileMappingW(AsHandle(file.Native()), nullptr, PAGE_READWRITE, 0, 0, nullptr);
  if (mapping == nullptr) {
    error = LastSystemError();
    return std::nullopt;
  }
  void* base = ::MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, size);
  if (base == nullptr) {
    error = LastSystemError();
    ::CloseHandle(mapping);
    return std::nullopt;
  }
  return SharedMapping(static_cast<std::uint8_t*>(base), size, Stored(mapping));
}

SharedMapping::SharedMapping(SharedMapping&& other) noexcept
    : base_(std::exchange(other.base_, nullptr)),
      size_(other.size_),
      mapping_(std::exchange(other.mapping_, 0)) {}

SharedMapping::~SharedMapping() {
  if (base_ != nullptr) {
    ::UnmapViewOfFile(base_);
  }
  if (mapping_ != 0) {
    ::CloseHandle(AsHandle(mapping_));
  }
}

// --- TemporaryFile ---

std::optional<TemporaryFile> TemporaryFile::CreateBeside(const std::string& target,
                                                         SystemError& error) {
  const std::size_t slash = target.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string stem = slash == std::string::npos ? target : target.substr(slash + 1);
  std::random_device entropy;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%lu.%08x.tmp", ::GetCurrentProcessId(), entropy());
    std::string path = folder + "." + stem + suffix;
    const std::optional<std::wstring> wide = WideFromUtf8(path, error);
    if (!wide) {
      return std::nullopt;
    }
    // CREATE_NEW fails on any existing name, a planted link among them.
    const HANDLE handle = ::CreateFileW(wide->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      return TemporaryFile(File(Stored(handle)), std::move(path));
    }
    error = LastSystemError();
    if (error.kind != SystemError::Kind::AlreadyExists) {
      return std::nullopt;
    }
  }
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
  SystemError ignored;
  if (const auto wide = WideFromUtf8(path_, ignored); wide && !path_.empty()) {
    ::DeleteFileW(wide->c_str());
  }
  path_.clear();
}

bool TemporaryFile::Write(std::span<const std::uint8_t> bytes, SystemError& error) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 30));
    DWORD done = 0;
    if (!::WriteFile(AsHandle(file_->Native()), bytes.data(), chunk, &done, nullptr)) {
      error = LastSystemError();
      return false;
    }
    bytes = bytes.subspan(done);
  }
  return true;
}

bool TemporaryFile::TakeAttributesOf(const File&, SystemError&) {
  return true;  // ReplaceFileW keeps the replaced file's attributes and access rules
}

bool TemporaryFile::PutInPlace(const std::string& target, Existing existing, SystemError& error) {
  const std::optional<std::wstring> from = WideFromUtf8(path_, error);
  const std::optional<std::wstring> to = WideFromUtf8(target, error);
  bool done = from && to && ::FlushFileBuffers(AsHandle(file_->Native()));
  file_.reset();  // a file open here can be neither moved nor replaced
  if (done && existing == Existing::Replace) {
    done = ::ReplaceFileW(to->c_str(), from->c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                          nullptr, nullptr);
    if (!done && ::GetLastError() == ERROR_FILE_NOT_FOUND) {
      // Nothing to replace after all: the file only gets its name.
      done = ::MoveFileExW(from->c_str(), to->c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
  } else if (done) {
    // Without MOVEFILE_REPLACE_EXISTING an existing target stays.
    done = ::MoveFileExW(from->c_str(), to->c_str(), MOVEFILE_WRITE_THROUGH);
  }
  if (!done) {
    if (from && to) {
      error = LastSystemError();
    }
    Discard();
    return false;
  }
  path_.clear();
  return true;
}

std::optional<std::string> ResolveLinks(const std::string& path, SystemError& error) {
  const HANDLE handle = OpenForAttributes(path, Links::Follow, error);
  if (handle == INVALID_HANDLE_VALUE) {
    return std::nullopt;
  }
  std::wstring name(MAX_PATH, L'\0');
  DWORD length = ::GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()),
                                             FILE_NAME_NORMALIZED);
  if (length >= name.size()) {
    name.resize(length);
    length = ::GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()),
                                         FILE_NAME_NORMALIZED);
  }
  if (length == 0 || length >= name.size()) {
    error = LastSystemError();
    ::CloseHandle(handle);
    return std::nullopt;
  }
  ::CloseHandle(handle);
  name.resize(length);
  // "\\?\C:\..." names a drive's file; "\\?\UNC\server\..." a shared one.
  if (name.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    name = L"\\\\" + name.substr(8);
  } else if (name.rfind(L"\\\\?\\", 0) == 0) {
    name = name.substr(4);
  }
  return Utf8FromWide(name);
}

}  // namespace nimbo::platform

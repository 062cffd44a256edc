// Files on Windows: handles opened with every sharing mode (as POSIX files
// behave), LockFileEx on ranges far past the end of the file (Windows locks
// keep others from reading what they cover), file mappings, and moves that
// replace only through ReplaceFileW.
#include <windows.h>
// After windows.h, which it builds on.
#include <winioctl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <random>
#include <string_view>
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

// Reparse points that stand for the special files of Linux programs on
// Windows; older headers lack some.
constexpr DWORD kTagUnixSocket = 0x80000023;  // IO_REPARSE_TAG_AF_UNIX
constexpr DWORD kTagLinuxFifo = 0x80000024;   // IO_REPARSE_TAG_LX_FIFO
constexpr DWORD kTagLinuxChar = 0x80000025;   // IO_REPARSE_TAG_LX_CHR
constexpr DWORD kTagLinuxBlock = 0x80000026;  // IO_REPARSE_TAG_LX_BLK
constexpr DWORD kTagLinuxLink = 0xA000001D;   // IO_REPARSE_TAG_LX_SYMLINK

bool SameLetters(std::wstring_view text, std::wstring_view upper) {
  return text.size() == upper.size() &&
         std::equal(text.begin(), text.end(), upper.begin(),
                    [](wchar_t a, wchar_t b) { return std::towupper(a) == b; });
}

// A name that Windows opens as a device rather than a file: anything under
// \\.\ or \\?\ but a drive's or a share's path given verbatim there, and
// elsewhere in any folder the old DOS names (CON, NUL, COM1, ...), with any
// extension, colon or trailing spaces. Opening one may already act on the
// device (a serial port's lines change), so it is recognised by its name.
bool IsDeviceName(std::wstring_view path) {
  const auto starts = [&path](std::wstring_view prefix) {
    return path.size() >= prefix.size() && SameLetters(path.substr(0, prefix.size()), prefix);
  };
  if (starts(L"\\\\?\\")) {
    path.remove_prefix(4);
    const bool drive = path.size() >= 2 && std::iswalpha(path[0]) && path[1] == L':';
    return !drive && !starts(L"UNC\\") && !starts(L"VOLUME{");
  }
  if (starts(L"\\\\.\\") || starts(L"//./") || starts(L"//?/") || starts(L"\\??\\")) {
    return true;
  }
  std::wstring_view name = path.substr(path.find_last_of(L"\\/") + 1);
  if (name.size() >= 2 && name[1] == L':') {
    name.remove_prefix(2);  // "C:NUL"
  }
  name = name.substr(0, name.find_first_of(L".:"));
  while (!name.empty() && name.back() == L' ') {
    name.remove_suffix(1);
  }
  for (const std::wstring_view device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
    if (SameLetters(name, device)) {
      return true;
    }
  }
  // COM0..COM9 and LPT0..LPT9, and with a superscript 1, 2 or 3.
  return name.size() == 4 &&
         (SameLetters(name.substr(0, 3), L"COM") || SameLetters(name.substr(0, 3), L"LPT")) &&
         (std::iswdigit(name[3]) || name[3] == L'\u00B9' || name[3] == L'\u00B2' ||
          name[3] == L'\u00B3');
}

// Opens `path` without reading or writing it, to ask what it is. Follows
// links unless told not to. INVALID_HANDLE_VALUE with `error` set on failure.
HANDLE OpenForAttributes(const std::string& path, Links links, SystemError& error) {
  const std::optional<std::wstring> wide = WidePath(path, error);
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
  // Only links count as links, and the special files of Linux programs as
  // what they stand for: other reparse points (cloud files, for one) are
  // ordinary files and folders.
  if ((info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    switch (info.ReparseTag) {
      case IO_REPARSE_TAG_SYMLINK:
      case IO_REPARSE_TAG_MOUNT_POINT:
        return FileKind::SymbolicLink;
      case kTagUnixSocket:
        return FileKind::Socket;
      case kTagLinuxFifo:
        return FileKind::Fifo;
      case kTagLinuxChar:
        return FileKind::CharacterDevice;
      case kTagLinuxBlock:
        return FileKind::BlockDevice;
      case kTagLinuxLink:
        return FileKind::Other;  // a link that Windows cannot follow
      default:
        break;
    }
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

// Whether the file open as `handle` goes when its last handle closes.
bool SetDeleteOnClose(HANDLE handle, bool deleted) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = deleted ? TRUE : FALSE;
  return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
}

// `path` with its folder spelled out. ReplaceFileW needs the folder of the
// file it replaces, which a bare name leaves out (Wine refuses one with
// "Directory name invalid").
std::optional<std::wstring> FullPath(const std::wstring& path) {
  const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  std::wstring full(needed, L'\0');
  const DWORD length =
      needed == 0 ? 0 : ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) {
    return std::nullopt;
  }
  full.resize(length);
  return full;
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
  if (const auto wide = WidePath(path, error); !wide) {
    return std::nullopt;
  } else if (IsDeviceName(*wide)) {
    return FileKind::CharacterDevice;
  }
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

std::optional<std::string> StreamNameRefusal(const std::string& path) {
  SystemError error;
  if (const auto wide = WidePath(path, error); !wide || IsDeviceName(*wide)) {
    return std::nullopt;  // refused as what it is elsewhere
  }
  std::string_view rest = path;
  if (rest.starts_with("\\\\?\\")) {
    rest.remove_prefix(4);
  }
  if (rest.size() >= 2 && std::isalpha(static_cast<unsigned char>(rest[0])) && rest[1] == ':') {
    rest.remove_prefix(2);
  }
  if (rest.find(':') == std::string_view::npos) {
    return std::nullopt;
  }
  return "a ':' past the drive letter names a hidden stream inside a file, not a file";
}

std::string SavedName(const std::string& path) {
  if (path.starts_with("\\\\?\\")) {
    return path;  // a name given verbatim is kept as it is
  }
  const std::size_t start = path.find_last_of("\\/:") + 1;  // npos + 1 is 0
  std::size_t end = path.size();
  while (end > start && (path[end - 1] == '.' || path[end - 1] == ' ')) {
    --end;
  }
  // "." and ".." name folders, no file.
  return end == start ? path : path.substr(0, end);
}

std::optional<std::string> LinkTarget(const std::string& path, SystemError& error) {
  const HANDLE handle = OpenForAttributes(path, Links::DoNotFollow, error);
  if (handle == INVALID_HANDLE_VALUE) {
    return std::nullopt;
  }
  // A REPARSE_DATA_BUFFER: tag, sizes, then for either kind of link the
  // offsets and lengths in bytes of the substitute and the print name, and
  // the names themselves (after a flags word for a symbolic link).
  std::vector<std::uint8_t> data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  DWORD got = 0;
  const bool read = ::DeviceIoControl(handle, FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(),
                                      static_cast<DWORD>(data.size()), &got, nullptr);
  if (!read) {
    error = LastSystemError();
  }
  ::CloseHandle(handle);
  DWORD tag = 0;
  if (read && got >= 16) {
    std::memcpy(&tag, data.data(), sizeof tag);
  }
  if (tag != IO_REPARSE_TAG_SYMLINK && tag != IO_REPARSE_TAG_MOUNT_POINT) {
    if (read) {
      error = {SystemError::Kind::Other, "not a symbolic link"};
    }
    return std::nullopt;
  }
  const auto word = [&data](std::size_t at) {
    return static_cast<std::size_t>(data[at] | data[at + 1] << 8);
  };
  const std::size_t names = tag == IO_REPARSE_TAG_SYMLINK ? 20 : 16;
  // The print name, as the user gave it; else the substitute name.
  for (const std::size_t at : {std::size_t{12}, std::size_t{8}}) {
    const std::size_t offset = names + word(at);
    const std::size_t length = word(at + 2);
    if (length > 0 && offset + length <= got) {
      std::wstring name(length / 2, L'\0');
      std::memcpy(name.data(), data.data() + offset, name.size() * sizeof(wchar_t));
      if (name.rfind(L"\\??\\", 0) == 0) {
        name.erase(0, 4);
      }
      return Utf8FromWide(name);
    }
  }
  error = {SystemError::Kind::Other, "the link names nothing"};
  return std::nullopt;
}

// --- File ---

std::optional<File> File::Open(const std::string& path, Access access, SystemError& error) {
  const std::optional<std::wstring> wide = WidePath(path, error);
  if (!wide) {
    return std::nullopt;
  }
  // Folders open too (backup semantics), so that Kind() can name them.
  const DWORD rights = access == Access::ReadWrite ? GENERIC_READ | GENERIC_WRITE
                       : access == Access::Read    ? GENERIC_READ
                                                   : FILE_READ_ATTRIBUTES;
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

bool File::SetSlotLock(int slot, bool lock, bool wait) const {
  return SetLock(AsHandle(handle_), slot, lock, wait);
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
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::random_device entropy;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = TemporaryName(folder, name, entropy());
    const std::optional<std::wstring> wide = WidePath(path, error);
    if (!wide) {
      return std::nullopt;
    }
    // CREATE_NEW fails on any existing name, and with the link itself opened
    // rather than followed, on a planted link too.
    const HANDLE handle =
        ::CreateFileW(wide->c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      // Deleted by the system when the handle closes, even when the program
      // is ended from outside, until it is put in place.
      SetDeleteOnClose(handle, true);
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
  if (const auto wide = WidePath(path_, ignored); wide && !path_.empty()) {
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
  std::optional<std::wstring> from = WidePath(path_, error);
  std::optional<std::wstring> to = WidePath(target, error);
  if (from && to) {
    from = FullPath(*from);
    to = FullPath(*to);
    if (!from || !to) {
      error = LastSystemError();
    }
  }
  bool done = from && to && ::FlushFileBuffers(AsHandle(file_->Native())) &&
              SetDeleteOnClose(AsHandle(file_->Native()), false);
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

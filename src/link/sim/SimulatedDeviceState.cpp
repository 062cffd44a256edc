#include "link/sim/SimulatedDeviceState.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string_view>
#include <utility>
#include <vector>

#include "link/Crc32.h"
#include "link/sim/FactoryContents.h"
#include "link/sim/FaultPlan.h"

namespace nimbo::sim {
namespace {

constexpr std::string_view kMagic = "NIMBOSIM";
constexpr std::uint32_t kOldFormat = 1;  // a snapshot rewritten whole, with a CRC-32
constexpr std::uint32_t kFormat = 2;     // mapped and changed in place

// Header fields.
constexpr std::size_t kFormatAt = 8;
constexpr std::size_t kVersionAt = 12;
constexpr std::size_t kModelAt = 13;
constexpr std::size_t kModeAt = 14;
constexpr std::size_t kMemorySizeAt = 16;
constexpr std::size_t kEepromSizeAt = 20;
constexpr std::size_t kFaultSizeAt = 24;

constexpr std::size_t kHeaderBytes = 32;
constexpr std::size_t kRuleBytes = 48;
constexpr std::size_t kMaxRules = 21;
constexpr std::size_t kFaultAreaBytes = 1024;  // the count and kMaxRules records
static_assert(4 + kMaxRules * kRuleBytes <= kFaultAreaBytes);
constexpr std::size_t kMemoryAt = kHeaderBytes;
constexpr std::size_t kEepromAt = kMemoryAt + kMemoryBytes;
constexpr std::size_t kFaultsAt = kEepromAt + kEepromBytes;
constexpr std::size_t kFileBytes = kFaultsAt + kFaultAreaBytes;

constexpr std::size_t kOldHeaderBytes = 24;
constexpr std::size_t kOldFileBytes = kOldHeaderBytes + kMemoryBytes + kEepromBytes + 4;

// Byte-range locks on the file: the link claim and the exchange lock.
constexpr off_t kClaimByte = 0;
constexpr off_t kExchangeByte = 1;

std::string Reason(int error) {
  return std::strerror(error);
}

// --- little-endian fields ---

void PutU32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    at[i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}
std::uint32_t GetU32(const std::uint8_t* at) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    value |= static_cast<std::uint32_t>(at[i]) << (8 * i);
  }
  return value;
}
void PutU64(std::uint8_t* at, std::uint64_t value) {
  PutU32(at, static_cast<std::uint32_t>(value));
  PutU32(at + 4, static_cast<std::uint32_t>(value >> 32));
}
std::uint64_t GetU64(const std::uint8_t* at) {
  return GetU32(at) | (static_cast<std::uint64_t>(GetU32(at + 4)) << 32);
}

// --- fault rule records ---
// kind u8, flags u8 (bit 0: address given), command 2 chars (zero: any),
// address i32, times i32, after i32, split at u32, split gap i64 (us),
// surplus count u32, corrupt at u32, late by i64 (us), 4 reserved bytes.

void EncodeRule(const FaultRule& rule, std::uint8_t* at) {
  std::fill_n(at, kRuleBytes, 0);
  at[0] = static_cast<std::uint8_t>(rule.fault);
  at[1] = rule.address ? 1 : 0;
  for (std::size_t i = 0; i < 2 && i < rule.command.size(); ++i) {
    at[2 + i] = static_cast<std::uint8_t>(rule.command[i]);
  }
  PutU32(at + 4, static_cast<std::uint32_t>(rule.address.value_or(0)));
  PutU32(at + 8, static_cast<std::uint32_t>(rule.times));
  PutU32(at + 12, static_cast<std::uint32_t>(rule.after));
  PutU32(at + 16, static_cast<std::uint32_t>(rule.splitAt));
  PutU64(at + 20, static_cast<std::uint64_t>(rule.splitGap));
  PutU32(at + 28, static_cast<std::uint32_t>(rule.surplusCount));
  PutU32(at + 32, static_cast<std::uint32_t>(rule.corruptAt));
  PutU64(at + 36, static_cast<std::uint64_t>(rule.lateBy));
}

// nullopt for a record no rule of this program can come from.
std::optional<FaultRule> DecodeRule(const std::uint8_t* at) {
  if (at[0] >= kFaultKinds || at[1] > 1) {
    return std::nullopt;
  }
  FaultRule rule;
  rule.fault = static_cast<Fault>(at[0]);
  for (std::size_t i = 0; i < 2 && at[2 + i] != 0; ++i) {
    rule.command += static_cast<char>(at[2 + i]);
  }
  if (at[1] == 1) {
    rule.address = static_cast<std::int32_t>(GetU32(at + 4));
  }
  rule.times = static_cast<std::int32_t>(GetU32(at + 8));
  rule.after = std::max(0, static_cast<std::int32_t>(GetU32(at + 12)));
  rule.splitAt = GetU32(at + 16);
  rule.splitGap = static_cast<Micros>(GetU64(at + 20));
  rule.surplusCount = std::min<std::size_t>(GetU32(at + 28), 4096);
  rule.corruptAt = GetU32(at + 32);
  rule.lateBy = static_cast<Micros>(GetU64(at + 36));
  return rule;
}

// --- files ---

class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&&) = delete;
  FileDescriptor(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// A lock on one byte of the file, owned by the open file itself (not the
// process), so it goes with the descriptor or the process.
bool SetLock(int fd, off_t byte, short type, bool wait) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  while (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock) != 0) {
    if (errno != EINTR) {
      return false;
    }
  }
  return true;
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t done = ::write(fd, bytes.data(), bytes.size());
    if (done < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(done));
  }
  return true;
}

bool ReadAllAt(int fd, std::span<std::uint8_t> bytes, off_t offset) {
  while (!bytes.empty()) {
    const ssize_t done = ::pread(fd, bytes.data(), bytes.size(), offset);
    if (done < 0 && errno == EINTR) {
      continue;
    }
    if (done <= 0) {
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(done));
    offset += done;
  }
  return true;
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) {
    return "a directory";
  }
  if (S_ISFIFO(mode)) {
    return "a FIFO";
  }
  if (S_ISCHR(mode)) {
    return "a character device";
  }
  if (S_ISBLK(mode)) {
    return "a block device";
  }
  if (S_ISSOCK(mode)) {
    return "a socket";
  }
  return "not a regular file";
}

// A temporary file of this program in `folder`, created exclusively under a
// fresh name (never through a link someone planted). Empty `path` on failure,
// with errno set.
struct Temporary {
  FileDescriptor fd;
  std::string path;
};
Temporary CreateTemporary(const std::filesystem::path& folder, const std::string& stem) {
  std::random_device entropy;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%ld.%08x.tmp", static_cast<long>(::getpid()), entropy());
    const std::string path = (folder / ("." + stem + suffix)).string();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) {
      return {FileDescriptor(fd), path};
    }
    if (errno != EEXIST) {
      return {};
    }
  }
  errno = EEXIST;
  return {};
}

std::filesystem::path FolderOf(const std::string& path) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? std::filesystem::path(".") : parent;
}

// Moves the finished temporary to `target`. Without `replace`, an existing
// `target` is left alone and errno is EEXIST. The temporary is gone after.
bool PutInPlace(Temporary& temporary, const std::string& target, bool replace) {
  int result = 0;
  if (replace) {
    result = ::rename(temporary.path.c_str(), target.c_str());
  } else {
    result =
        ::renameat2(AT_FDCWD, temporary.path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
    if (result != 0 && errno == EINVAL) {  // a file system without it
      result = ::link(temporary.path.c_str(), target.c_str());
      const int saved = errno;
      ::unlink(temporary.path.c_str());
      errno = saved;
      return result == 0;
    }
  }
  if (result != 0) {
    const int saved = errno;
    ::unlink(temporary.path.c_str());
    errno = saved;
    return false;
  }
  return true;
}

// A new state file's bytes: the device as it leaves the factory.
std::vector<std::uint8_t> FactoryFile() {
  std::vector<std::uint8_t> bytes(kFileBytes, 0);
  std::copy(kMagic.begin(), kMagic.end(), bytes.begin());
  PutU32(&bytes[kFormatAt], kFormat);
  bytes[kVersionAt] = kFactoryVersion;
  bytes[kModelAt] = kFactoryModel;
  bytes[kModeAt] = static_cast<std::uint8_t>(Mode::Normal);
  PutU32(&bytes[kMemorySizeAt], kMemoryBytes);
  PutU32(&bytes[kEepromSizeAt], kEepromBytes);
  PutU32(&bytes[kFaultSizeAt], kFaultAreaBytes);
  WriteFactoryContents(std::span(bytes).subspan(kMemoryAt, kMemoryBytes),
                       std::span(bytes).subspan(kEepromAt, kEepromBytes));
  return bytes;
}

// The state file as this program keeps it: mapped, changed in place.
class MappedStore final : public DeviceStore {
 public:
  MappedStore(FileDescriptor fd, std::uint8_t* base) : fd_(std::move(fd)), base_(base) {}
  ~MappedStore() override { ::munmap(base_, kFileBytes); }  // the locks go with fd_
  MappedStore(const MappedStore&) = delete;
  MappedStore& operator=(const MappedStore&) = delete;

  std::span<std::uint8_t> Memory() override { return {base_ + kMemoryAt, kMemoryBytes}; }
  std::span<std::uint8_t> Eeprom() override { return {base_ + kEepromAt, kEepromBytes}; }
  std::uint8_t& Version() override { return base_[kVersionAt]; }
  std::uint8_t& Model() override { return base_[kModelAt]; }
  // The mode byte; Mode is one byte wide and every value of it is valid.
  Mode& CurrentMode() override { return *reinterpret_cast<Mode*>(base_ + kModeAt); }

  bool Claim() override { return SetLock(fd_.get(), kClaimByte, F_WRLCK, false); }
  void Release() override { SetLock(fd_.get(), kClaimByte, F_UNLCK, false); }
  void Lock() override {
    if (depth_++ == 0) {
      SetLock(fd_.get(), kExchangeByte, F_WRLCK, true);
    }
  }
  void Unlock() override {
    if (--depth_ == 0) {
      SetLock(fd_.get(), kExchangeByte, F_UNLCK, false);
    }
  }

  // Touching the mapping past the end of a shortened file would kill the
  // program (SIGBUS), so a cut file counts as a device that went away.
  bool Intact() override {
    struct stat info {};
    return ::fstat(fd_.get(), &info) == 0 && static_cast<std::size_t>(info.st_size) >= kFileBytes;
  }

  bool KeepsFaults() const override { return true; }
  std::vector<FaultRule> LoadFaults() override {
    const std::uint8_t* area = base_ + kFaultsAt;
    const std::size_t count = std::min<std::size_t>(GetU32(area), kMaxRules);
    std::vector<FaultRule> rules;
    for (std::size_t i = 0; i < count; ++i) {
      if (std::optional<FaultRule> rule = DecodeRule(area + 4 + i * kRuleBytes)) {
        rules.push_back(std::move(*rule));
      }
    }
    return rules;
  }
  bool SaveFaults(std::span<const FaultRule> rules) override {
    if (rules.size() > kMaxRules) {
      return false;
    }
    std::uint8_t* area = base_ + kFaultsAt;
    for (std::size_t i = 0; i < rules.size(); ++i) {
      EncodeRule(rules[i], area + 4 + i * kRuleBytes);
    }
    PutU32(area, static_cast<std::uint32_t>(rules.size()));
    return true;
  }
  std::size_t FaultCapacity() const override { return kMaxRules; }

 private:
  FileDescriptor fd_;
  std::uint8_t* base_;
  int depth_ = 0;
};

enum class Step { Done, Again, Failed };

// Creates `path` with the factory contents; Again when another program
// created it first.
Step CreateStateFile(const std::string& path, std::string& error) {
  const std::filesystem::path target(path);
  Temporary temporary = CreateTemporary(FolderOf(path), target.filename().string());
  if (!temporary.fd || !WriteAll(temporary.fd.get(), FactoryFile())) {
    error = "cannot create state file " + path + ": " + Reason(errno);
    if (temporary.fd) {
      ::unlink(temporary.path.c_str());
    }
    return Step::Failed;
  }
  if (!PutInPlace(temporary, path, false)) {
    if (errno == EEXIST) {
      return Step::Again;
    }
    error = "cannot create state file " + path + ": " + Reason(errno);
    return Step::Failed;
  }
  return Step::Done;
}

// Turns a format 1 file (open as `fd`) into format 2 beside it and puts it in
// its place, keeping mode, owner and group. Again when done or when another
// program changed the file meanwhile.
Step ConvertOldFile(const std::string& path, int fd, std::string& error) {
  SetLock(fd, kExchangeByte, F_WRLCK, true);
  struct stat opened {};
  struct stat named {};
  std::vector<std::uint8_t> old(kOldFileBytes + 1);
  const bool same = ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
                    opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
  if (!same) {
    return Step::Again;  // converted by another program; the lock goes with fd
  }
  const ssize_t got = ::pread(fd, old.data(), old.size(), 0);
  const std::size_t crcAt = kOldFileBytes - 4;
  if (got != static_cast<ssize_t>(kOldFileBytes) || GetU32(&old[kFormatAt]) != kOldFormat ||
      GetU32(&old[kMemorySizeAt]) != kMemoryBytes || GetU32(&old[kEepromSizeAt]) != kEepromBytes ||
      GetU32(&old[crcAt]) != Crc32(std::span(old).first(crcAt)) || old[kModeAt] > 1) {
    error = "state file " + path + " is damaged (format 1, wrong size or checksum)";
    return Step::Failed;
  }
  std::vector<std::uint8_t> bytes = FactoryFile();
  std::copy_n(old.begin() + kVersionAt, 3, bytes.begin() + kVersionAt);
  std::copy_n(old.begin() + kOldHeaderBytes, kMemoryBytes + kEepromBytes,
              bytes.begin() + kMemoryAt);

  // The target of a symbolic link is replaced, the link stays.
  std::error_code failure;
  const std::string target = std::filesystem::canonical(path, failure).string();
  if (failure) {
    error = "cannot convert state file " + path + ": " + failure.message();
    return Step::Failed;
  }
  Temporary temporary = CreateTemporary(FolderOf(target), std::filesystem::path(target).filename());
  if (!temporary.fd || !WriteAll(temporary.fd.get(), bytes) ||
      ::fchmod(temporary.fd.get(), opened.st_mode & 07777) != 0) {
    error = "cannot convert state file " + path + ": " + Reason(errno);
    if (temporary.fd) {
      ::unlink(temporary.path.c_str());
    }
    return Step::Failed;
  }
  // Only root may give a file away; anyone else's file stays theirs anyway.
  [[maybe_unused]] const int ignored = ::fchown(temporary.fd.get(), opened.st_uid, opened.st_gid);
  if (!PutInPlace(temporary, target, true)) {
    error = "cannot convert state file " + path + ": " + Reason(errno);
    return Step::Failed;
  }
  return Step::Again;
}

// Checks the header of a format 2 file.
bool CheckHeader(const std::string& path, const std::uint8_t* header, std::size_t size,
                 std::string& error) {
  if (GetU32(header + kMemorySizeAt) != kMemoryBytes ||
      GetU32(header + kEepromSizeAt) != kEepromBytes ||
      GetU32(header + kFaultSizeAt) != kFaultAreaBytes) {
    error = "state file " + path + " describes a device of another size";
    return false;
  }
  if (size != kFileBytes) {
    error = "state file " + path + (size < kFileBytes ? " is truncated" : " is too long");
    return false;
  }
  if (header[kModeAt] > 1) {
    error = "state file " + path + " holds an unknown device mode";
    return false;
  }
  return true;
}

// One attempt at opening `path`.
Step OpenOnce(const std::string& path, std::unique_ptr<DeviceStore>& store, std::string& error) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) {
      error = "cannot open state file " + path + ": " + Reason(errno);
      return Step::Failed;
    }
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0) {
      error = "state file " + path + " is a symbolic link to a missing file";
      return Step::Failed;
    }
    const Step created = CreateStateFile(path, error);
    return created == Step::Failed ? Step::Failed : Step::Again;
  }
  if (!S_ISREG(info.st_mode)) {
    error = "state file " + path + " is " + KindOf(info.st_mode) + ", not a regular file";
    return Step::Failed;
  }
  // O_NONBLOCK: should a FIFO be swapped in meanwhile, opening it never waits.
  FileDescriptor fd(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd) {
    error = "cannot open state file " + path + ": " + Reason(errno);
    return Step::Failed;
  }
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    error = "state file " + path + " is " + KindOf(info.st_mode) + ", not a regular file";
    return Step::Failed;
  }
  std::array<std::uint8_t, kHeaderBytes> header{};
  const auto size = static_cast<std::size_t>(info.st_size);
  if (size < kOldHeaderBytes || !ReadAllAt(fd.get(), std::span(header).first(kOldHeaderBytes), 0) ||
      !std::equal(kMagic.begin(), kMagic.end(), header.begin())) {
    error = "state file " + path + " is not a simulated device state file";
    return Step::Failed;
  }
  const std::uint32_t format = GetU32(&header[kFormatAt]);
  if (format == kOldFormat) {
    return ConvertOldFile(path, fd.get(), error);
  }
  if (format != kFormat) {
    error = "state file " + path + " has the unknown format " + std::to_string(format) +
            " (this program reads formats 1 and 2)";
    return Step::Failed;
  }
  if (size >= kHeaderBytes && !ReadAllAt(fd.get(), header, 0)) {
    error = "cannot read state file " + path + ": " + Reason(errno);
    return Step::Failed;
  }
  if (!CheckHeader(path, header.data(), size, error)) {
    return Step::Failed;
  }
  void* base = ::mmap(nullptr, kFileBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd.get(), 0);
  if (base == MAP_FAILED) {
    error = "cannot map state file " + path + ": " + Reason(errno);
    return Step::Failed;
  }
  store = std::make_unique<MappedStore>(std::move(fd), static_cast<std::uint8_t*>(base));
  return Step::Done;
}

}  // namespace

std::unique_ptr<DeviceStore> OpenStateFile(const std::string& path, std::string& error) {
  // Creation and conversion each end in one more attempt; a file that keeps
  // changing under us is given up on.
  for (int attempt = 0; attempt < 5; ++attempt) {
    std::unique_ptr<DeviceStore> store;
    switch (OpenOnce(path, store, error)) {
      case Step::Done:
        return store;
      case Step::Failed:
        return nullptr;
      case Step::Again:
        break;
    }
  }
  error = "cannot open state file " + path + ": it keeps changing";
  return nullptr;
}

std::size_t StateFileBytes() {
  return kFileBytes;
}

}  // namespace nimbo::sim

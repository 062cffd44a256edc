#include "link/sim/SimulatedDeviceState.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "link/Crc32.h"
#include "link/platform/File.h"
#include "link/platform/SharedMapping.h"
#include "link/platform/TemporaryFile.h"
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

// Lock slots of the file: the link claim and the exchange lock.
constexpr int kClaimSlot = 0;
constexpr int kExchangeSlot = 1;

using platform::File;
using platform::FileKind;
using platform::SystemError;
using platform::TemporaryFile;

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
  MappedStore(File file, platform::SharedMapping mapping)
      : file_(std::move(file)), mapping_(std::move(mapping)), base_(mapping_.Bytes().data()) {}

  std::span<std::uint8_t> Memory() override { return {base_ + kMemoryAt, kMemoryBytes}; }
  std::span<std::uint8_t> Eeprom() override { return {base_ + kEepromAt, kEepromBytes}; }
  std::uint8_t& Version() override { return base_[kVersionAt]; }
  std::uint8_t& Model() override { return base_[kModelAt]; }
  // The mode byte; Mode is one byte wide and every value of it is valid.
  Mode& CurrentMode() override { return *reinterpret_cast<Mode*>(base_ + kModeAt); }

  bool Claim() override { return file_.TryLock(kClaimSlot); }
  void Release() override { file_.Unlock(kClaimSlot); }
  void Lock() override {
    if (depth_++ == 0) {
      file_.Lock(kExchangeSlot);
    }
  }
  void Unlock() override {
    if (--depth_ == 0) {
      file_.Unlock(kExchangeSlot);
    }
  }

  // Touching the mapping past the end of a shortened file would kill the
  // program (SIGBUS), so a cut file counts as a device that went away.
  bool Intact() override { return file_.Size().value_or(0) >= kFileBytes; }

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
  File file_;  // the locks go with it
  platform::SharedMapping mapping_;
  std::uint8_t* base_;
  int depth_ = 0;
};

enum class Step { Done, Again, Failed };

// Writes `bytes` beside `target` and puts them in its place: replacing it,
// or only where nothing is yet. The temporary never outlives a failure.
bool WriteWhole(const std::string& target, std::span<const std::uint8_t> bytes,
                const File* replaced, SystemError& error) {
  std::optional<TemporaryFile> temporary = TemporaryFile::CreateBeside(target, error);
  return temporary && temporary->Write(bytes, error) &&
         (replaced == nullptr || temporary->TakeAttributesOf(*replaced, error)) &&
         temporary->PutInPlace(
             target,
             replaced != nullptr ? TemporaryFile::Existing::Replace : TemporaryFile::Existing::Keep,
             error);
}

// Creates `path` with the factory contents; Again when another program
// created it first.
Step CreateStateFile(const std::string& path, std::string& error) {
  SystemError failure;
  if (WriteWhole(path, FactoryFile(), nullptr, failure)) {
    return Step::Done;
  }
  if (failure.kind == SystemError::Kind::AlreadyExists) {
    return Step::Again;
  }
  error = "cannot create state file " + path + ": " + failure.text;
  return Step::Failed;
}

// Turns a format 1 file (open as `file`) into format 2 beside it and puts it
// in its place, keeping its permissions and owner. Again when done or when
// another program changed the file meanwhile.
Step ConvertOldFile(const std::string& path, File& file, std::string& error) {
  file.Lock(kExchangeSlot);
  if (!file.IsAt(path)) {
    return Step::Again;  // converted by another program; the lock goes with the file
  }
  std::vector<std::uint8_t> old(kOldFileBytes + 1);
  SystemError failure;
  const std::optional<std::size_t> got = file.ReadAt(old, 0, failure);
  const std::size_t crcAt = kOldFileBytes - 4;
  if (got != kOldFileBytes || GetU32(&old[kFormatAt]) != kOldFormat ||
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
  const std::optional<std::string> target = platform::ResolveLinks(path, failure);
  if (!target || !WriteWhole(*target, bytes, &file, failure)) {
    error = "cannot convert state file " + path + ": " + failure.text;
    return Step::Failed;
  }
  return Step::Again;
}

// Checks the header of a format 2 file.
bool CheckHeader(const std::string& path, const std::uint8_t* header, std::uint64_t size,
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

std::string NotRegular(const std::string& path, FileKind kind) {
  return "state file " + path + " is " + std::string(platform::Describe(kind)) +
         ", not a regular file";
}

// One attempt at opening `path`.
Step OpenOnce(const std::string& path, std::unique_ptr<DeviceStore>& store, std::string& error) {
  SystemError failure;
  const std::optional<FileKind> kind = platform::KindOf(path, platform::Links::Follow, failure);
  if (!kind) {
    error = "cannot open state file " + path + ": " + failure.text;
    return Step::Failed;
  }
  if (*kind == FileKind::Missing) {
    if (platform::KindOf(path, platform::Links::DoNotFollow, failure) == FileKind::SymbolicLink) {
      error = "state file " + path + " is a symbolic link to a missing file";
      return Step::Failed;
    }
    const Step created = CreateStateFile(path, error);
    return created == Step::Failed ? Step::Failed : Step::Again;
  }
  if (*kind != FileKind::Regular) {
    error = NotRegular(path, *kind);
    return Step::Failed;
  }
  std::optional<File> file = File::Open(path, File::Access::ReadWrite, failure);
  if (!file) {
    error = "cannot open state file " + path + ": " + failure.text;
    return Step::Failed;
  }
  // Something else may have been swapped in since the name was looked at.
  if (const FileKind opened = file->Kind(); opened != FileKind::Regular) {
    error = NotRegular(path, opened);
    return Step::Failed;
  }
  std::array<std::uint8_t, kHeaderBytes> header{};
  const std::uint64_t size = file->Size().value_or(0);
  if (size < kOldHeaderBytes ||
      file->ReadAt(std::span(header).first(kOldHeaderBytes), 0, failure) != kOldHeaderBytes ||
      !std::equal(kMagic.begin(), kMagic.end(), header.begin())) {
    error = "state file " + path + " is not a simulated device state file";
    return Step::Failed;
  }
  const std::uint32_t format = GetU32(&header[kFormatAt]);
  if (format == kOldFormat) {
    return ConvertOldFile(path, *file, error);
  }
  if (format != kFormat) {
    error = "state file " + path + " has the unknown format " + std::to_string(format) +
            " (this program reads formats 1 and 2)";
    return Step::Failed;
  }
  if (size >= kHeaderBytes && file->ReadAt(header, 0, failure) != kHeaderBytes) {
    error = "cannot read state file " + path + ": " + failure.text;
    return Step::Failed;
  }
  if (!CheckHeader(path, header.data(), size, error)) {
    return Step::Failed;
  }
  std::optional<platform::SharedMapping> mapping =
      platform::SharedMapping::Map(*file, kFileBytes, failure);
  if (!mapping) {
    error = "cannot map state file " + path + ": " + failure.text;
    return Step::Failed;
  }
  store = std::make_unique<MappedStore>(std::move(*file), std::move(*mapping));
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

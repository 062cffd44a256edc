// The simulated device kept in a state file: one holder of the link at a
// time, every program seeing one device, writes that survive a kill, and a
// file handling that never harms the user's files. On Windows the cases that
// need fork, FIFOs or symbolic links (which mingw's library cannot make) are
// left out.
#include <gtest/gtest.h>
#include <unistd.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "link/NimboModule.h"
#include "link/backend/Backend.h"
#include "link/platform/File.h"
#include "link/sim/SimulatedDeviceState.h"
#include "support/ScratchFolder.h"
#ifndef _WIN32
#include "support/ChildProcess.h"
#endif

namespace nimbo::backend {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

#ifdef _WIN32
constexpr bool kSymbolicLinks = false;
constexpr const char* kNoSuchFolder = "";  // Wine's words differ from Windows' own
#else
constexpr bool kSymbolicLinks = true;
constexpr const char* kNoSuchFolder = "No such file or directory";
#endif

// What a file is, as far as the user can tell.
struct FileFacts {
  fs::file_type type{};
  fs::perms mode{};
  std::uintmax_t links = 0;  // a replaced file leaves its hard links behind
  fs::file_time_type mtime{};
  std::string contents;  // a regular file's bytes, a link's target
  bool operator==(const FileFacts&) const = default;
};

std::map<std::string, FileFacts> Snapshot(const fs::path& dir) {
  std::map<std::string, FileFacts> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    const fs::file_status status = fs::symlink_status(entry.path());
    FileFacts facts{status.type(), status.permissions(), 0, {}, {}};
    if (status.type() != fs::file_type::symlink) {  // else they would be the target's
      facts.links = fs::hard_link_count(entry.path());
      facts.mtime = fs::last_write_time(entry.path());
    }
    if (status.type() == fs::file_type::symlink) {
      facts.contents = fs::read_symlink(entry.path()).string();
    } else if (status.type() == fs::file_type::regular) {
      std::ifstream in(entry.path(), std::ios::binary);
      facts.contents.assign(std::istreambuf_iterator<char>(in), {});
    }
    files[entry.path().lexically_relative(dir).string()] = facts;
  }
  return files;
}

// A module on one backend, with its link not yet open.
struct Program {
  explicit Program(std::unique_ptr<Backend> b) : backend(std::move(b)) {
    module.SizeSharedArrays();
  }
  std::unique_ptr<Backend> backend;
  SilentUserInterface ui;
  NIMBOmodule module{backend->Transport(), ui};
};

class StateFile : public ::testing::Test {
 protected:
  std::unique_ptr<Backend> Make(const std::string& file) {
    BackendOptions options;
    options.simulate = true;
    options.realTime = false;
    options.stateFile = file;
    error.clear();
    return MakeBackend(options, error);
  }
  Program Open(const std::string& file) {
    auto backend = Make(file);
    EXPECT_NE(backend, nullptr) << error;
    return Program(std::move(backend));
  }

  test::ScratchFolder folder;
  fs::path dir = folder.Path();
  std::string path = folder.File("device.state");
  std::string error;
};

void Fill(NIMBOmodule& module, std::uint8_t seed) {
  for (int i = 0; i < 68; ++i) {
    module.SettingsBytes[i] = static_cast<std::uint8_t>(seed + i * 3);
  }
}

TEST_F(StateFile, OneHolderAtATimeAndEveryProgramSeesOneDevice) {
  Program holder = Open(path);
  Program other = Open(path);
  holder.module.OpenLink();
  ASSERT_EQ(holder.module.LinkStatus, 0);
  other.module.OpenLink();
  EXPECT_EQ(other.module.LinkStatus, static_cast<std::int32_t>(ft::kDeviceNotOpened));
  EXPECT_EQ(other.module.LinkHandle, 0u);

  // Changes made to the device itself reach the holder at its next exchange.
  sim::SimulatedDevice& device = *other.backend->Device();
  device.CurrentMode() = sim::Mode::Update;
  device.Version() = 0x37;
  holder.module.ReadDeviceInfo();
  EXPECT_EQ(holder.module.FirmwareMajor, 3);
  EXPECT_EQ(holder.module.FirmwareMinor, 7);
  ASSERT_TRUE(device.AddFault({.fault = sim::Fault::Refuse, .command = "WE", .address = 5}));
  Fill(holder.module, 0x41);
  holder.module.WriteEeprom();
  EXPECT_EQ(holder.module.LinkStatus, 8);
  EXPECT_EQ(holder.module.EepromIndex, 5);
  EXPECT_TRUE(device.FaultRules().empty());
  // What the device acknowledged is what everyone sees.
  const sim::SimulatedDevice& seen = *other.backend->Device();
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(seen.Eeprom()[i], holder.module.SettingsBytes[i]) << i;
  }
  EXPECT_NE(seen.Eeprom()[5], holder.module.SettingsBytes[5]);

  holder.module.CloseLink();
  other.module.OpenLink();
  EXPECT_EQ(other.module.LinkStatus, 0);

#ifndef _WIN32  // Windows refuses to cut a mapped file
  // A file cut short under a running program: the device is gone, the
  // program lives on.
  fs::resize_file(path, 100);
  other.module.ReadEeprom();
  EXPECT_NE(other.module.LinkStatus, 0);
  EXPECT_TRUE(other.backend->Device()->Unplugged());
#endif
}

#ifndef _WIN32
TEST_F(StateFile, AnAcknowledgedWriteSurvivesAKillAndTheLockGoesWithTheProcess) {
  test::ChildProcess holder(
      [&] {
        auto* program = new Program(Make(path));  // kept: the child is killed holding the link
        program->module.OpenLink();
        Fill(program->module, 0x17);
        program->module.WriteEeprom();
        return std::string(program->module.LinkStatus == 0 ? "written" : "failed");
      },
      true);  // stays until killed
  EXPECT_EQ(holder.Report(), "written");

  Program after = Open(path);
  after.module.OpenLink();
  EXPECT_EQ(after.module.LinkStatus, static_cast<std::int32_t>(ft::kDeviceNotOpened));
  holder.Kill();
  after.module.OpenLink();
  ASSERT_EQ(after.module.LinkStatus, 0);
  after.module.ReadEeprom();
  ASSERT_EQ(after.module.LinkStatus, 0);
  const auto written = after.module.SettingsBytes;
  Fill(after.module, 0x17);
  EXPECT_TRUE(
      std::equal(written.begin(), written.begin() + 68, after.module.SettingsBytes.begin()));
}
#endif

TEST_F(StateFile, IsCreatedWithTheFactoryContentsAndAReadingRunNeverWritesIt) {
  {
    Program program = Open(path);
    EXPECT_EQ(program.backend->Device()->Version(), 0x21);
  }
  EXPECT_EQ(fs::file_size(path), sim::StateFileBytes());
  // Back-date the file so that any write would show in its time stamp.
  fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(24 * 365 * 20));
  const auto before = Snapshot(dir);

  Program program = Open(path);
  program.module.OpenLink();
  program.module.ReadEeprom();
  program.module.BlockAddress = 0x2000;
  program.module.ReadMemoryBlock();
  program.module.ReadDeviceInfo();  // normal mode: no answer
  EXPECT_TRUE(program.backend->Device()->FaultRules().empty());
  program.module.CloseLink();
  EXPECT_EQ(Snapshot(dir), before);
}

// Writes `bytes` to `file`.
void Put(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

// A format 1 file: the header without the fault area, the contents and a
// CRC-32 of everything before it.
std::string OldFormatFile(std::uint8_t eepromByte) {
  std::string bytes = "NIMBOSIM";
  const auto u32 = [&bytes](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
      bytes += static_cast<char>(v >> (8 * i));
    }
  };
  u32(1);
  bytes += {'\x13', 'Q', '\x01', '\x00'};
  u32(131072);
  u32(256);
  bytes += std::string(131072, '\x55');
  bytes += std::string(256, static_cast<char>(eepromByte));
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<std::uint8_t>(c);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
  }
  u32(~crc);
  return bytes;
}

TEST_F(StateFile, AnOldFormatFileIsConvertedBehindItsLinkKeepingItsMode) {
  Put(dir / "old.state", OldFormatFile(0x6B));
  fs::permissions(dir / "old.state",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const auto mode = fs::status(dir / "old.state").permissions();
  if (kSymbolicLinks) {
    fs::create_symlink("old.state", path);
  }
  {
    Program program = Open(kSymbolicLinks ? path : (dir / "old.state").string());
    const sim::SimulatedDevice& device = *program.backend->Device();
    EXPECT_EQ(device.Version(), 0x13);
    EXPECT_EQ(device.Model(), 'Q');
    EXPECT_EQ(device.CurrentMode(), sim::Mode::Update);
    EXPECT_EQ(device.Eeprom()[200], 0x6B);
    EXPECT_EQ(device.Memory()[4000], 0x55);
  }
  EXPECT_EQ(fs::is_symlink(path), kSymbolicLinks);
  EXPECT_EQ(fs::file_size(dir / "old.state"), sim::StateFileBytes());
  EXPECT_EQ(fs::status(dir / "old.state").permissions(), mode);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), kSymbolicLinks ? 2 : 1)
      << "no temporaries left";
}

#ifndef _WIN32
// Two programs open a format 1 file at once: the one that finds it converted
// by the other while it waited opens the converted file.
TEST_F(StateFile, AConversionByAnotherProgramMeanwhileIsTakenUp) {
  Put(path, OldFormatFile(0x6B));
  struct stat old {};
  ASSERT_EQ(::stat(path.c_str(), &old), 0);
  platform::SystemError failure;
  auto converter = platform::File::Open(path, platform::File::Access::ReadWrite, failure);
  ASSERT_TRUE(converter) << failure.text;
  converter->Lock(1);  // the exchange lock, as a conversion holds it
  std::unique_ptr<sim::DeviceStore> store;
  std::thread opener([&] { store = sim::OpenStateFile(path, error); });
  // Once the opener holds the old file open, the other program's file goes in.
  const auto openCount = [&old] {
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
      struct stat info {};
      count += ::stat(entry.path().c_str(), &info) == 0 && info.st_ino == old.st_ino ? 1 : 0;
    }
    return count;
  };
  for (int i = 0; i < 5000 && openCount() < 2; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  sim::OpenStateFile((dir / "converted.state").string(), error)->Version() = 0x44;
  fs::rename(dir / "converted.state", path);
  converter->Unlock(1);
  opener.join();
  ASSERT_NE(store, nullptr) << error;
  EXPECT_EQ(store->Version(), 0x44);
}
#endif

// Every unusable state file is refused at once with the user's file name and
// the reason, and every file stays as it was.
TEST_F(StateFile, UnusableFilesAreRefusedAndLeftAsTheyWere) {
  std::string truncated = OldFormatFile(0);
  truncated.pop_back();
  { Open(path); }
  const std::string fresh = Snapshot(dir).at("device.state").contents;
  const auto changed = [&fresh](std::size_t at, char value) {
    std::string bytes = fresh;
    bytes[at] = value;
    return bytes;
  };
  const auto holding = [](std::string bytes) {
    return [bytes](const std::string& p) { Put(p, bytes); };
  };
  struct Case {
    const char* name;
    std::function<void(const std::string&)> make;
    const char* reason;
  };
  const Case cases[] = {
#ifndef _WIN32
      {"fifo", [](const std::string& p) { ::mkfifo(p.c_str(), 0644); },
       "is a FIFO, not a regular file"},
      {"dangling link", [](const std::string& p) { fs::create_symlink("gone.state", p); },
       "is a symbolic link to a missing file"},
#endif
      {"directory", [](const std::string& p) { fs::create_directory(p); },
       "is a directory, not a regular file"},
      {"text", holding("not a device\n"), "is not a simulated device state file"},
      {"other format", holding(std::string("NIMBOSIM\x09", 9) + std::string(40, '\0')),
       "unknown format 9"},
      {"damaged old format", holding(truncated), "is damaged"},
      {"another size", holding(changed(16, 1)), "describes a device of another size"},
      {"unknown mode", holding(changed(14, 2)), "holds an unknown device mode"},
      {"cut short", holding(fresh.substr(0, fresh.size() - 1)), "is truncated"},
      {"too long", holding(fresh + 'x'), "is too long"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = (dir / (std::string(c.name) + ".state")).string();
    c.make(file);
    const auto before = Snapshot(dir);
    EXPECT_EQ(Make(file), nullptr);
    EXPECT_NE(error.find(file), std::string::npos) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_EQ(Snapshot(dir), before);
  }
  const std::string missing = (dir / "no" / "x.state").string();
  EXPECT_EQ(Make(missing), nullptr);
  const std::string refusal = "cannot create state file " + missing + ": ";
  EXPECT_TRUE(error.starts_with(refusal + kNoSuchFolder) && error.size() > refusal.size()) << error;
  EXPECT_FALSE(fs::exists(dir / "no"));
}

#ifndef _WIN32
TEST_F(StateFile, AReadOnlyFileIsRefusedWithTheSystemsReason) {
  { Open(path); }
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const auto before = Snapshot(dir);
  // Root may write anything: the check runs as an ordinary user.
  const test::ChildProcess child([&] {
    if (::geteuid() == 0 && ::setuid(65534) != 0) {
      return std::string("cannot become an ordinary user");
    }
    return Make(path) == nullptr ? error : std::string("opened");
  });
  EXPECT_EQ(child.Report(), "cannot open state file " + path + ": Permission denied");
  EXPECT_EQ(Snapshot(dir), before);
}

// A link planted at a temporary name is never followed; a linked state file
// is changed in place through its links, keeping its mode.
TEST_F(StateFile, LinksAreFollowedToTheFileAndNeverReplaced) {
  Put(dir / "victim", "precious\n");
  fs::create_symlink("victim", path + ".tmp");
  { Open((dir / "real.state").string()); }
  fs::permissions(dir / "real.state", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("real.state", path);
  fs::create_hard_link(dir / "real.state", dir / "hard.state");
  auto before = Snapshot(dir);

  Program program = Open(path);
  program.module.OpenLink();
  Fill(program.module, 0x99);
  program.module.WriteEeprom();
  ASSERT_EQ(program.module.LinkStatus, 0);

  auto after = Snapshot(dir);
  ASSERT_EQ(after.size(), before.size());
  for (const char* name : {"victim", "device.state.tmp", "device.state"}) {
    EXPECT_EQ(after[name], before[name]) << name;
  }
  for (const char* name : {"real.state", "hard.state"}) {
    EXPECT_EQ(after[name].links, before[name].links) << name;
    EXPECT_EQ(after[name].mode, before[name].mode) << name;
    EXPECT_NE(after[name].contents, before[name].contents) << name;
  }
  EXPECT_EQ(after["real.state"].contents, after["hard.state"].contents);
}
#endif

}  // namespace
}  // namespace nimbo::backend

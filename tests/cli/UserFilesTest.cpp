// The files a user names: the one rule of the shared reader and writer
// against every kind of name, and the commands of nimbo-cli and nimbo-fwu
// that write and read through it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Cli.h"
#include "FwuCli.h"
#include "UserFileSystem.h"
#include "UserFiles.h"
#include "flasher/FirmwareCodec.h"
#include "flasher/SampleFirmware.h"
#include "settings/SettingsBackup.h"
#include "settings/SettingsReport.h"
#include "support/ScratchFolder.h"

namespace nimbo::cli {
namespace {

namespace fs = std::filesystem;

constexpr char kOld[] = "old\n";
constexpr char kNew[] = "the new contents\n";

std::string Contents(const fs::path& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// Every name in a folder with its kind, permission bits and, for a regular
// file, its contents: what a write may change, and what it must leave.
using Snapshot = std::map<std::string, std::string>;
Snapshot Take(const fs::path& folder) {
  Snapshot names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const fs::file_status status = entry.symlink_status();
    std::string& seen = names[entry.path().filename().string()];
    seen = std::to_string(static_cast<int>(status.type())) + " " +
           std::to_string(static_cast<int>(status.permissions()));
    if (status.type() == fs::file_type::regular) {
      seen += " " + Contents(entry.path());
    }
  }
  return names;
}

// Puts one name of every kind the rule tells apart into `folder`; returns the
// device: a null device of our own where we may make one (as root, where a
// wrong write would really succeed), else the system's.
std::string Plant(const fs::path& folder) {
  std::ofstream(folder / "existing") << kOld;
  fs::permissions(folder / "existing", fs::perms(0640));
  fs::create_symlink("existing", folder / "link");
  fs::create_symlink("missing", folder / "dangling");
  fs::create_directory(folder / "dir");
  EXPECT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
  const int unix = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, (folder / "socket").c_str(), sizeof address.sun_path - 1);
  EXPECT_EQ(::bind(unix, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(unix);
  const fs::path device = folder / "device";
  const std::string node =
      ::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0 ? device.string() : "/dev/null";
  fs::create_symlink(node, folder / "devlink");
  return node;
}

class UserFiles : public ::testing::Test {
 protected:
  std::string File(const std::string& name) const { return folder_.File(name); }

  test::ScratchFolder folder_;
  const std::string device_ = Plant(folder_.Path());
};

TEST_F(UserFiles, WriterReplacesOnlyRegularFilesOnlyWithForceAndRefusesTheRest) {
  struct Case {
    std::string name;
    FileOutcome::Status status;  // without --force; with it, kExists becomes kDone
    std::string reason;
  };
  const std::vector<Case> cases = {
      {"new", FileOutcome::kDone, ""},
      {"existing", FileOutcome::kExists, "existing exists already; add --force to replace it"},
      {"link", FileOutcome::kExists, "link exists already; add --force to replace it"},
      {"dangling", FileOutcome::kRefused,
       ": it is a symbolic link to missing, which does not exist"},
      {"dir", FileOutcome::kRefused, ": it is a directory, not a regular file"},
      {"fifo", FileOutcome::kRefused, ": it is a FIFO, not a regular file"},
      {"socket", FileOutcome::kRefused, ": it is a socket, not a regular file"},
      {"device", FileOutcome::kRefused, ": it is a device, not a regular file"},
      {"devlink", FileOutcome::kRefused, ", a device, not a regular file"},
  };
  const ::mode_t mask = ::umask(0);
  ::umask(mask);
  int round = 0;
  for (const Case& c : cases) {
    for (const bool force : {false, true}) {
      SCOPED_TRACE(c.name + (force ? " --force" : ""));
      const fs::path folder = folder_.Path() / std::to_string(++round);
      fs::create_directory(folder);
      const std::string device = Plant(folder);
      const std::string path = c.name == "device" ? device : (folder / c.name).string();
      const auto status = force && c.status == FileOutcome::kExists ? FileOutcome::kDone : c.status;
      EXPECT_EQ(CheckOutputFile(path, force).status, status);

      Snapshot expected = Take(folder);
      std::ostringstream out;
      const FileOutcome outcome = WriteUserFile(path, kNew, force, out);
      EXPECT_EQ(outcome.status, status) << outcome.message;
      EXPECT_NE(outcome.message.find(outcome.Ok() ? "" : c.reason), std::string::npos)
          << outcome.message;
      if (outcome.Ok() && c.name == "new") {
        expected["new"] = "1 " + std::to_string(0666 & ~mask) + " " + kNew;  // a regular file
      } else if (outcome.Ok()) {
        // A link stays a link; the file it leads to is replaced, its mode kept.
        expected["existing"].replace(expected["existing"].find(kOld), sizeof kOld - 1, kNew);
      }
      EXPECT_EQ(Take(folder), expected) << "the folder after writing " << path;
      EXPECT_EQ(out.str(), "");
    }
  }
}

TEST_F(UserFiles, DashIsStandardOutputAndAFailedWriteLeavesNothingBehind) {
  std::ostringstream out;
  EXPECT_TRUE(WriteUserFile("-", kNew, false, out).Ok());
  EXPECT_EQ(out.str(), kNew);
  out.setstate(std::ios::badbit);
  EXPECT_EQ(WriteUserFile("-", kNew, false, out).status, FileOutcome::kFailed);

  // Files may not grow past 8 bytes: every write fails part-way.
  const Snapshot before = Take(folder_.Path());
  ::rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
  const ::rlimit small{8, limit.rlim_max};
  const auto previous = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const FileOutcome created = WriteUserFile(File("new"), kNew, false, out);
  const FileOutcome replaced = WriteUserFile(File("link"), kNew, true, out);
  ::setrlimit(RLIMIT_FSIZE, &limit);
  ::signal(SIGXFSZ, previous);
  EXPECT_EQ(created.status, FileOutcome::kFailed);
  EXPECT_EQ(replaced.status, FileOutcome::kFailed);
  EXPECT_NE(created.message.find("cannot write " + File("new") + ": "), std::string::npos);
  EXPECT_EQ(Take(folder_.Path()), before) << "a half file or a temporary was left";
}

TEST_F(UserFiles, ReaderTakesOnlyRegularFilesOfTheirSize) {
  std::ofstream(File("large")) << "123456789";
  struct Case {
    std::string name;
    std::string result;  // the contents, or the end of the refusal
  };
  const std::vector<Case> cases = {
      {"existing", kOld},
      {"link", kOld},
      {"large", ": it has 9 bytes, more than the 8 that such a file can have"},
      {"missing", ": No such file or directory"},
      {"dangling", ": it is a symbolic link to missing, which does not exist"},
      {"dir", ": it is a directory, not a regular file"},
      {"fifo", ": it is a FIFO, not a regular file"},
      {"socket", ": it is a socket, not a regular file"},
      {"device", ": it is a device, not a regular file"},
      {"devlink", ": it is a symbolic link to " + device_ + ", a device, not a regular file"},
  };
  for (const Case& c : cases) {
    const std::string path = c.name == "device" ? device_ : File(c.name);
    std::string error;
    EXPECT_EQ(ReadUserFile(path, 8, error).value_or(error),
              c.result.starts_with(':') ? "cannot read " + path + c.result : c.result);
  }
  std::string error;
  EXPECT_FALSE(ReadUserFile("", 8, error));
  std::string contents;
  platform::FileKind opened = platform::FileKind::Missing;
  std::uint64_t size = 0;
  platform::SystemError failure;
  ::alarm(10);  // a blocking open ends the test
  userfs::ReadRegular(File("fifo"), 8, contents, opened, size, failure);
  ::alarm(0);
  EXPECT_EQ(opened, platform::FileKind::Fifo);
  EXPECT_EQ(error, "cannot read: no file name given");
}

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

template <typename Program>
Result Start(Program program, const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  Result run;
  run.status = program(args, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

class UserFileCommands : public UserFiles {
 protected:
  Result Cli(std::vector<std::string> args) {
    args.insert(args.begin(), "--simulate=" + File("device.state"));
    return Start([](auto& a, auto& o, auto& e) { return RunCli(a, o, e, false); }, args);
  }
  static Result Fwu(const std::vector<std::string>& args) { return Start(fwu::RunFwu, args); }
};

TEST_F(UserFileCommands, DataGoesToDashAndAnExistingFileIsReplacedOnlyWithForce) {
  const Result dump = Cli({"memory", "read", "0020", "64", "--output", "-"});
  ASSERT_EQ(dump.status, 0) << dump.err;
  EXPECT_EQ(dump.out.size(), 64u);
  const Result kept = Cli({"memory", "read", "0020", "64", "--output", File("existing")});
  EXPECT_EQ(kept.err, "nimbo-cli: memory read: " + File("existing") +
                          " exists already; add --force to replace it\n");
  EXPECT_EQ(Cli({"memory", "read", "0020", "64", "--output", File("link"), "--force"}).status, 0);
  EXPECT_EQ(Contents(File("existing")), dump.out);

  const Result backup = Cli({"settings", "backup", "-"});
  std::string error;
  const auto record = settings::ParseBackup(backup.out, error);
  ASSERT_TRUE(record) << error << backup.out;
  EXPECT_EQ(settings::BytesToHex(std::span(*record).first(68)) + "\n",
            Cli({"settings", "read"}).out);

  // A name that cannot be written is refused before the device is asked.
  const Result refused = Cli({"--trace", "settings", "backup", "--force", File("fifo")});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err.find("> "), std::string::npos) << refused.err;
}

TEST_F(UserFileCommands, FwuFollowsTheCliConventions) {
  const std::string seeds = "is not a whole number from 0 to 18446744073709551615\n";
  const std::vector<std::pair<std::vector<std::string>, std::string>> usage = {
      {{}, "nimbo-fwu: A subcommand is required\n"},
      {{"bogus", "x"}, "nimbo-fwu: unknown command 'bogus'\n"},
      {{"sample", "a", "b", "c"}, "nimbo-fwu: sample: unexpected arguments 'b' 'c'\n"},
      {{"--bogus"}, "nimbo-fwu: unknown option '--bogus'\n"},
      {{"sample", "-x.fwu"},
       "nimbo-fwu: sample: unknown option '-x.fwu'; to give a name that begins with '-', put -- "
       "before it (nimbo-fwu sample -- -x.fwu) or write it as ./-x.fwu\n"},
      {{"encode", "a", "b", "--seed", "-1"}, "nimbo-fwu: encode: --seed: '-1' " + seeds},
      {{"encode", "a", "b", "--seed=18446744073709551616"},
       "nimbo-fwu: encode: --seed: '18446744073709551616' " + seeds},
      {{"encode", "a", "b", "--seed", "1.5"}, "nimbo-fwu: encode: --seed: '1.5' " + seeds},
  };
  for (const auto& [args, message] : usage) {
    const Result run = Fwu(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.starts_with(message)) << run.err;
    EXPECT_NE(run.err.find("Try 'nimbo-fwu "), std::string::npos) << run.err;
  }

  const auto sample = flasher::EncodeFirmwareBytes(flasher::SampleFirmwareImage(), 1);
  EXPECT_EQ(Fwu({"sample", "-"}).out, std::string(sample.begin(), sample.end()));
  const std::string odd = File("s\n\x9B.fwu");  // a control and a byte that is not UTF-8
  ASSERT_EQ(Fwu({"sample", odd}).status, 0);
  const Result kept = Fwu({"sample", odd});  // told in one line, the name quoted
  EXPECT_EQ(kept.status, 1);
  EXPECT_EQ(kept.err, "nimbo-fwu: sample: \"" + File("s\\x0A\\x9B.fwu") +
                          "\" exists already; add --force to replace it\n");
  EXPECT_NE(Fwu({"decode", odd + "x", "-"}).err.find("cannot read \"" + File("s\\x0A\\x9B.fwux")),
            std::string::npos);
  ASSERT_EQ(Fwu({"decode", odd, File("existing"), "--force"}).status, 0);
  const Result largest = Fwu({"encode", File("existing"), "-", "--seed", "18446744073709551615"});
  const auto expected = flasher::EncodeFirmwareBytes(flasher::SampleFirmwareImage(),
                                                     std::numeric_limits<std::uint64_t>::max());
  EXPECT_EQ(largest.out, std::string(expected.begin(), expected.end())) << largest.err;
}

}  // namespace
}  // namespace nimbo::cli

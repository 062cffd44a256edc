// nimbo-cli in-process: the command line, its usage errors and the commands'
// failure paths against the simulated device kept in a state file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Cli.h"
#include "flasher/FirmwareCodec.h"
#include "flasher/SampleFirmware.h"
#include "settings/SettingsBackup.h"
#include "settings/SettingsReport.h"

namespace nimbo::cli {
namespace {

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("nimbo-cli-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    state_ = (dir_ / "device.state").string();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // nimbo-cli ARGS, without a state file.
  Result Run(std::vector<std::string> args, bool terminal = false) {
    std::ostringstream out;
    std::ostringstream err;
    Result result;
    result.status = RunCli(args, out, err, terminal);
    result.out = out.str();
    result.err = err.str();
    return result;
  }
  // nimbo-cli --simulate=STATE ARGS, on this test's device.
  Result Sim(std::vector<std::string> args, bool terminal = false) {
    args.insert(args.begin(), "--simulate=" + state_);
    return Run(std::move(args), terminal);
  }

  std::filesystem::path dir_;
  std::string state_;
};

// 68 bytes counting up from `first`, written as `settings read` does.
std::string Record(int first) {
  std::string hex;
  for (int i = 0; i < 68; ++i) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const int byte = (first + i) & 0xFF;
    hex += std::string(i == 0 ? "" : " ") + kHex[byte >> 4] + kHex[byte & 0x0F];
  }
  return hex;
}

TEST_F(Cli, UsageErrorsExitTwoWithOneMessageStyle) {
  struct Case {
    std::vector<std::string> args;
    std::string message;  // the start of the error text
  };
  const Case cases[] = {
      {{}, "nimbo-cli: "},
      {{"--no-such-option", "info"}, "nimbo-cli: "},
      {{"--simulate", "frobnicate"}, "nimbo-cli: "},
      {{"--simulate=", "info"}, "nimbo-cli: --simulate= needs the name of a state file"},
      {{"sim", "mode", "update"}, "nimbo-cli: sim mode: sim commands need --simulate"},
      {{"--simulate", "sim", "mode", "sideways"}, "nimbo-cli: sim mode: "},
      {{"--simulate", "sim", "version", "16.0"}, "nimbo-cli: sim version: '16.0' is not"},
      {{"--simulate", "sim", "factory", "now"}, "nimbo-cli: sim factory: "},
      {{"--simulate", "settings", "write", "00 11"}, "nimbo-cli: settings write: Expected exactly"},
      {{"--simulate", "settings"}, "nimbo-cli: settings: "},
      {{"--simulate", "matrix", "set", "a", "b"}, "nimbo-cli: matrix write: "},
      {{"bogus", "x"}, "nimbo-cli: unknown command 'bogus'\n"},
      {{"--simulate", "settings", "bogus"}, "nimbo-cli: settings: unknown command 'bogus'\n"},
      {{"--simulate", "matrix", "write", "-hello-"},
       "nimbo-cli: matrix write: '-hello-' would be taken for options; to give a text that begins "
       "with '-', put -- before it: nimbo-cli matrix write -- -hello-\n"},
      {{"--simulate", "matrix", "set", "-x test"}, "nimbo-cli: matrix set: '-x test' would be"},
      {{"--bogus"}, "nimbo-cli: unknown option '--bogus'\n"},
      {{"--simulate", "settings", "backup", "-dash"},
       "nimbo-cli: settings backup: unknown option '-dash'; to give a name that begins with '-', "
       "put -- before it (nimbo-cli settings backup -- -dash) or write it as ./-dash\n"},
      {{"matrix", "write", "--simulate=s", "it's"},
       "nimbo-cli: global options go before the command: nimbo-cli --simulate=s matrix write "
       "'it'\\''s'\n"},
      {{"--trace", "info", "--real-time"},
       "nimbo-cli: global options go before the command: nimbo-cli --trace --real-time info\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    const Result result = Run(c.args);
    EXPECT_EQ(result.status, 2) << result.err;
    EXPECT_TRUE(result.err.starts_with(c.message)) << result.err;
    EXPECT_EQ(result.out, "");
  }
}

// Help goes to standard output with a zero exit, for the program and each command.
TEST_F(Cli, EveryCommandHasItsOwnHelp) {
  for (const Result& result : {Run({"--help"}), Run({"settings", "write", "--help"})}) {
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("Usage: nimbo-cli"), std::string::npos) << result.out;
    EXPECT_EQ(result.err, "");
  }
  EXPECT_NE(Run({"settings", "write", "--help"}).out.find("HEX"), std::string::npos);
}

// The trace shows each frame as sent: byte 3, 0x41, with its checksum 0x4A.
TEST_F(Cli, SettingsWriteTakesTheBytesWithAnyWhiteSpace) {
  const std::string record = Record(0x3E);
  std::string spaced = record;
  for (std::size_t at = 2; at < spaced.size(); at += 9) {
    spaced[at] = "\t\n\r "[at % 4];
  }
  const Result write =
      Sim({"--trace", "settings", "write", spaced.substr(0, 30), spaced.substr(30)});
  ASSERT_EQ(write.status, 0) << write.err;
  EXPECT_NE(write.err.find("\n> 57 45 03 00 41 4A\n< 57 45 01\n"), std::string::npos);
  const Result read = Sim({"settings", "read"});
  ASSERT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read.out, record + "\n");

  // What `settings read` prints goes straight back.
  ASSERT_EQ(Sim({"settings", "write", Record(0x40)}).status, 0);
  EXPECT_EQ(Sim({"settings", "write", Sim({"settings", "read"}).out}).status, 0);
  EXPECT_EQ(Sim({"settings", "read"}).out, Record(0x40) + "\n");
}

// Also: a text that begins with '-' is stored after "--"; get and set are
// the older names of read and write.
TEST_F(Cli, DefaultsKeepByteZeroAndShowAsTheWindowDoes) {
  ASSERT_EQ(Sim({"settings", "write", Record(0xA5)}).status, 0);  // unlike every default
  ASSERT_EQ(Sim({"settings", "defaults"}).status, 0);
  const std::string show = "\n" + Sim({"settings", "show"}).out;
  for (const char* line :
       {"LED 1: STATUS", "LED 2: IRQ", "LED 3: ROM", "LED 4: EXROM", "ROM Banks: 8 banks (27512)",
        "RESET Type: RESET + EXROM", "OLED Screen: Normal", "OLED Brigtness: 100%",
        "Reset Timeout: 1000ms", "ROM Timeout: 1500ms", "Menu Timeout: 3000ms",
        "Voltage Monitoring Enabled: ticked", "Voltage Monitoring Flash: ticked", "Minimum: 4.65",
        "Maximum: 5.35", "Offset: - 50", "IRQ High: #0F0000", "ROM 6: #000F0F"}) {
    EXPECT_NE(show.find("\n" + std::string(line) + "\n"), std::string::npos) << line << show;
  }
  // Byte 0 as it was; bytes 1..15 and 64..67 of the factory table.
  const std::string read = Sim({"settings", "read"}).out;
  EXPECT_EQ(read.substr(0, 16 * 3), "A5 07 01 02 03 04 00 09 38 00 64 00 96 01 2C B2 ");
  EXPECT_EQ(read.substr(read.size() - 12), "01 D1 02 17\n");
}

TEST_F(Cli, MatrixReadEscapesControlCharactersOnATerminalOnly) {
  const std::string text =
      "-A\x1B[2J\x7F"
      "B\xC3\xA4\x01";
  ASSERT_EQ(Sim({"matrix", "write", "--", text}).status, 0);
  EXPECT_EQ(Sim({"matrix", "get"}).out, text + "\n");
  EXPECT_EQ(Sim({"matrix", "read"}, true).out, "-A\\x1B[2J\\x7FB\xC3\xA4\\x01\n");
  ASSERT_EQ(Sim({"matrix", "set", "--", "-x"}).status, 0);
  EXPECT_EQ(Sim({"matrix", "read"}).out, "-x\n");
  ASSERT_EQ(Sim({"matrix", "write", "-"}).status, 0);  // a lone dash is a text
  EXPECT_EQ(Sim({"matrix", "read"}).out, "-\n");
}

TEST_F(Cli, SimVersionTakesEveryNibblePair) {
  ASSERT_EQ(Sim({"sim", "mode", "update"}).status, 0);
  for (const char* version : {"15.15", "0.0", "3.14"}) {
    ASSERT_EQ(Sim({"sim", "version", version}).status, 0) << version;
    EXPECT_EQ(Sim({"sim", "version"}).out, std::string(version) + "\n");
    EXPECT_EQ(Sim({"info"}).out.rfind("Firmware version: " + std::string(version) + "\n", 0), 0u);
  }
  EXPECT_EQ(Sim({"sim", "mode"}).out, "update\n");
}

// Faults armed with `sim fault` in the state file: each failure reaches the
// user as one message that names its cause and a non-zero exit, and changes
// nothing it should not.
TEST_F(Cli, ArmedFaultsGiveTheCommandsFailureMessages) {
  ASSERT_EQ(Sim({"settings", "write", Record(0x10)}).status, 0);
  ASSERT_EQ(Sim({"sim", "mode", "update"}).status, 0);
  struct Case {
    std::vector<std::string> fault;
    std::vector<std::string> command;
    std::string message;
  };
  const std::string read = "nimbo-cli: settings read: Read Error! ReadEeprom failed: ";
  const std::string write = "nimbo-cli: settings write: Write Error! WriteEeprom at byte ";
  const std::string mix =
      " a mix of old and new settings: write them again, or restore a backup (nimbo-cli settings "
      "restore FILE)\n";
  const Case cases[] = {
      {{"refuse", "WE", "--after", "67"},
       {"settings", "write", Record(0x60)},
       write +
           "67 failed: the device refused it (acknowledge not 0x01) (LinkStatus 8); 67 of 68 "
           "bytes reached the device, which now holds" +
           mix},
      {{"echo", "WE", "--after", "3"},
       {"settings", "write", Record(0x60)},
       write +
           "3 failed: the reply did not begin with the command's letters: wrong echo (or a late "
           "reply) (LinkStatus 8); at least 3 of 68 bytes reached the device, which may now hold" +
           mix},
      {{"echo", "IF"},
       {"info"},
       "nimbo-cli: info: ReadDeviceInfo failed: the reply did not begin with the command's "
       "letters: wrong echo (or a late reply) (LinkStatus 0)\n"},
      {{"late", "IF"},
       {"info"},
       "nimbo-cli: info: ReadDeviceInfo failed: no reply within the read time-out; the answer "
       "came after it (a late reply) (LinkStatus 8)\n"},
      {{"refuse", "RE", "--address", "40"},
       {"settings", "defaults"},
       "nimbo-cli: settings defaults: Read Error! ReadEeprom failed: the device refused it "
       "(acknowledge not 0x01) (LinkStatus 8)\n"},
      {{"unplug", "--after", "3"},
       {"settings", "read"},
       read + "the USB interface reported an I/O error: the device is gone (unplugged?) "
              "(LinkStatus 8)\n"},
      {{"silent", "RE", "--after", "5"},
       {"settings", "read"},
       read + "no reply within the read time-out (LinkStatus 8)\n"},
      {{"checksum", "RE"},
       {"settings", "read"},
       read + "checksum mismatch in the reply (LinkStatus 8)\n"},
      // Ten tries a block; a failed store is told in one line.
      {{"refuse", "RM", "--address", "8256", "--times", "10"},
       {"matrix", "write", "x"},
       "nimbo-cli: matrix write: LED Matrix String read failed: the device refused it "
       "(acknowledge not 0x01) (LinkStatus 8)\n"},
      {{"refuse", "WM", "--address", "8256", "--times", "10"},
       {"matrix", "write", "x"},
       "nimbo-cli: matrix write: LED Matrix String store failed: the device refused it "
       "(acknowledge "
       "not 0x01) (LinkStatus 8); the device may hold part of the new text: write it again\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arm = {"sim", "fault"};
    arm.insert(arm.end(), c.fault.begin(), c.fault.end());
    ASSERT_EQ(Sim(arm).status, 0) << c.fault[0];
    const Result result = Sim(c.command);
    EXPECT_EQ(result.status, 1) << c.fault[0];
    EXPECT_EQ(result.err, c.message);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(Sim({"sim", "fault", "list"}).out, "") << c.fault[0] << ": the rule is used up";
  }
  // Byte 67 was refused; the failed read wrote no defaults.
  std::string expected = Record(0x60);
  expected.replace(expected.size() - 2, 2, "53");
  EXPECT_EQ(Sim({"settings", "read"}).out, expected + "\n");
}

TEST_F(Cli, FaultRulesAreListedInTheWordsThatArmThem) {
  const std::vector<std::vector<std::string>> rules = {
      {"refuse", "WE", "--after", "67", "--times", "1"},
      {"split", "RM", "--times", "always", "--at", "3", "--gap", "300ms"},
      {"silent", "--address", "8194", "--times", "2"},
      {"late", "RE", "--times", "1", "--by", "300ms"},
  };
  std::string listed;
  for (const std::vector<std::string>& rule : rules) {
    std::vector<std::string> arm = {"sim", "fault"};
    arm.insert(arm.end(), rule.begin(), rule.end());
    ASSERT_EQ(Sim(arm).status, 0);
    for (std::size_t i = 0; i < rule.size(); ++i) {
      listed += rule[i] + (i + 1 == rule.size() ? "\n" : " ");
    }
  }
  EXPECT_EQ(Sim({"sim", "fault", "list"}).out, listed);
  ASSERT_EQ(Sim({"sim", "fault", "clear"}).status, 0);
  EXPECT_EQ(Sim({"sim", "fault", "list"}).out, "");
  EXPECT_EQ(Sim({"sim", "fault", "split", "--gap", "soon"}).status, 2);
  EXPECT_EQ(Sim({"sim", "fault", "refuse", "XX"}).status, 2);
  for (const char* times : {"3x", "1.5", "0", "-1", ""}) {
    EXPECT_EQ(Sim({"sim", "fault", "refuse", "--times", times}).status, 2) << times;
  }
  EXPECT_EQ(Sim({"sim", "fault", "list"}).out, "") << "a refused rule is not armed";
}

TEST_F(Cli, InfoInNormalModeSaysHowToReachUpdateMode) {
  const Result result = Sim({"info"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find("nimbo-cli: info: "), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("only in update mode"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("--simulate=" + state_ + " sim mode update"), std::string::npos)
      << result.err;
}

TEST_F(Cli, SettingsBackupRestoresExactlyAndADryRunOrBadFileWritesNothing) {
  const std::string backup = (dir_ / "settings.backup").string();
  const std::string original = Sim({"settings", "read"}).out;
  ASSERT_EQ(Sim({"settings", "backup", backup}).status, 0);
  EXPECT_NE(Sim({"settings", "backup", backup}).err.find("exists already"), std::string::npos);
  // LED 1 from the factory STATUS (byte 2 = 01) to IRQ (02).
  std::string changed = original;
  changed.replace(6, 2, "02");
  ASSERT_EQ(Sim({"settings", "write", changed}).status, 0);

  const Result dry = Sim({"--trace", "settings", "restore", "--dry-run", backup});
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_NE(dry.out.find("  LED 1: IRQ -> STATUS\n"), std::string::npos) << dry.out;
  EXPECT_EQ(dry.out.find(" -> ", dry.out.find(" -> ") + 1), std::string::npos) << dry.out;
  EXPECT_EQ(dry.err.find("> 57 45"), std::string::npos) << "a dry run wrote";
  EXPECT_EQ(Sim({"settings", "read"}).out, changed);

  for (const char* damage : {"NIMBO settings backup 1\nbytes 00\n", "hello\n"}) {
    const std::string bad = (dir_ / "bad\n.backup").string();  // named in one line
    std::filesystem::remove(bad);
    ASSERT_EQ(Sim({"settings", "backup", bad}).status, 0);
    std::ofstream(bad, std::ios::trunc) << damage;
    const Result refused = Sim({"--trace", "settings", "restore", bad});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.starts_with("nimbo-cli: settings restore: \"" + dir_.string() +
                                        "/bad\\x0A.backup\": "))
        << refused.err;
    EXPECT_EQ(refused.err.find("> "), std::string::npos) << "the device was touched";
  }

  EXPECT_EQ(Sim({"settings", "restore", backup}).status, 0);
  EXPECT_EQ(Sim({"settings", "read"}).out, original);
}

TEST_F(Cli, FlashSavesSettingsAndTextFirstAndAFailedBackupWritesNothing) {
  const auto file = flasher::EncodeFirmwareBytes(flasher::SampleFirmwareImage(), 7);
  const std::string fwu = (dir_ / "update.fwu").string();
  std::ofstream(fwu, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  ASSERT_EQ(Sim({"sim", "mode", "update"}).status, 0);
  ASSERT_EQ(Sim({"matrix", "set", "kept text"}).status, 0);
  const std::string settings = Sim({"settings", "read"}).out;

  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
  const Result flashed = Sim({"flash", fwu});
  const Result unsaved = Sim({"flash", "--no-backup", fwu});
  std::filesystem::current_path(previous);
  EXPECT_EQ(flashed.status, 0) << flashed.err;
  EXPECT_EQ(unsaved.status, 0) << unsaved.err;

  std::vector<std::filesystem::path> saved;
  for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
    if (entry.path().filename().string().starts_with("nimbo-")) {
      saved.push_back(entry.path());
    }
  }
  ASSERT_EQ(saved.size(), 2u) << "one backup pair, and none with --no-backup";
  std::sort(saved.begin(), saved.end());  // nimbo-matrix-..., nimbo-settings-...
  std::stringstream text;
  text << std::ifstream(saved[0]).rdbuf();
  EXPECT_EQ(text.str(), "kept text");
  std::stringstream backup;
  backup << std::ifstream(saved[1]).rdbuf();
  std::string error;
  const auto record = settings::ParseBackup(backup.str(), error);
  ASSERT_TRUE(record) << error;
  EXPECT_EQ(settings::BytesToHex(std::span(*record).first(68)) + "\n", settings);
  EXPECT_NE(flashed.out.find(saved[1].filename().string()), std::string::npos) << flashed.out;

  // A folder the backup cannot be written to (removed under the program, so
  // that root is refused too) stops the update before its first block.
  const std::filesystem::path gone = dir_ / "gone";
  std::filesystem::create_directory(gone);
  std::filesystem::current_path(gone);
  std::filesystem::remove(gone);
  const Result refused = Sim({"--trace", "flash", fwu});
  std::filesystem::current_path(previous);
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("); run nimbo-cli from a writable folder, or add --no-backup; "
                             "nothing was written to the device\n"),
            std::string::npos)
      << refused.err;
  EXPECT_EQ(refused.err.find("> 57 4D"), std::string::npos) << "a block was written";
}

}  // namespace
}  // namespace nimbo::cli

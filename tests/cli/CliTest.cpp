// nimbo-cli in-process: the command line, its usage errors and the commands'
// failure paths against the simulated device kept in a state file.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Cli.h"
#include "flasher/FlasherRig.h"
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
  // nimbo-cli ARGS, without a state file.
  static Result Run(const std::vector<std::string>& args, bool terminal = false) {
    std::ostringstream out, err;
    const int status = RunCli(args, out, err, terminal);
    return {status, out.str(), err.str()};
  }
  // nimbo-cli --simulate=STATE ARGS, on this test's device.
  Result Sim(std::vector<std::string> args, bool terminal = false) {
    args.insert(args.begin(), "--simulate=" + state_);
    return Run(std::move(args), terminal);
  }

  test::ScratchFolder folder_;
  const std::filesystem::path& dir_ = folder_.Path();
  const std::string state_ = folder_.File("device.state");
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
      {{"--simulate", "matrix", "set", "a", "b"},
       "nimbo-cli: matrix write: unexpected argument 'b'\n"},
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
  // Byte 0 as it was; bytes 1..67 as the factory table lists them.
  EXPECT_EQ(Sim({"settings", "read"}).out,
            "A5 07 01 02 03 04 00 09 38 00 64 00 96 01 2C B2 00 00 00 0F 00 00 00 0F 00 00 00 0F "
            "0F 0F 00 00 0F 0F 0F 00 0F 0F 0F 0F 0F 00 00 00 0F 00 0F 00 00 00 0F 00 00 0F 0F 00 "
            "00 0F 00 00 00 FF FF FF 01 D1 02 17\n");
}

TEST_F(Cli, MatrixReadEscapesControlCharactersOnATerminalOnly) {
  const std::string text =
      "-A\x1B[2J\x7F"
      "B\xC3\xA4\x01\xC2\x81";
  ASSERT_EQ(Sim({"matrix", "write", "--", text}).status, 0);
  EXPECT_EQ(Sim({"matrix", "get"}).out, text + "\n");
  EXPECT_EQ(Sim({"matrix", "read"}, true).out, "-A\\x1B[2J\\x7FB\xC3\xA4\\x01\\u0081\n");
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
      {{"silent", "IF"},  // as the normal firmware is
       {"info"},
       "nimbo-cli: info: ReadDeviceInfo failed (LinkStatus 8): the device answers \"IF\" only in "
       "update mode; put the simulated device into it with: nimbo-cli --simulate=" +
           state_ + " sim mode update\n"},
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

TEST_F(Cli, SettingsBackupRestoresExactlyAndADryRunOrBadFileWritesNothing) {
  const std::string backup = (dir_ / "settings.backup").string();
  const std::string original = Sim({"settings", "read"}).out;
  ASSERT_EQ(Sim({"settings", "backup", backup}).status, 0);
  EXPECT_NE(Sim({"settings", "backup", backup}).err.find("exists already"), std::string::npos);
  // LED 1 from the factory STATUS (byte 2 = 01) to IRQ (02); byte 0, which
  // a restore leaves as the device has it, from A5 to 5A.
  std::string changed = original;
  changed.replace(0, 2, "5A").replace(6, 2, "02");
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
  EXPECT_EQ(Sim({"settings", "read"}).out, "5A" + original.substr(2));
}

// Each flash saves the settings and the LED text first, as a pair of files of
// its own even within one second (the names of the next ten seconds are
// partly taken here: number 01 by a settings file, 02 by a text file), and
// --no-backup saves none.
TEST_F(Cli, FlashSavesSettingsAndTextFirstAndAFailedBackupWritesNothing) {
  const std::string fwu = folder_.File("update.fwu");
  test::WriteFirmware(fwu, flasher::SampleFirmwareImage());
  ASSERT_EQ(Sim({"sim", "mode", "update"}).status, 0);
  ASSERT_EQ(Sim({"matrix", "set", "kept text"}).status, 0);
  const std::string settings = Sim({"settings", "read"}).out;
  const std::time_t now = std::time(nullptr);
  for (std::time_t second = now; second < now + 10; ++second) {
    char stamp[40];
    std::strftime(stamp, sizeof stamp, "nimbo-backup-%Y%m%d-%H%M%S-0", std::gmtime(&second));
    std::ofstream(folder_.File(stamp + std::string("1-settings.txt"))) << "planted";
    std::ofstream(folder_.File(stamp + std::string("2-matrix.txt"))) << "planted";
  }

  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
  const Result flashed = Sim({"flash", fwu});
  const Result again = Sim({"flash", fwu});
  const Result unsaved = Sim({"flash", "--no-backup", fwu});
  std::filesystem::current_path(previous);
  for (const Result& run : {flashed, again, unsaved}) {
    EXPECT_EQ(run.status, 0) << run.err;
  }

  std::map<std::string, std::string> saved;
  int planted = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
    std::stringstream contents;
    contents << std::ifstream(entry.path()).rdbuf();
    const std::string name = entry.path().filename().string();
    planted += contents.str() == "planted" ? 1 : 0;
    if (name.starts_with("nimbo-") && contents.str() != "planted") {
      saved[name] = contents.str();
    }
  }
  EXPECT_EQ(planted, 20);
  ASSERT_EQ(saved.size(), 4u) << "a pair for each flash, and none with --no-backup";
  for (const auto& [name, contents] : saved) {
    const std::string pair = name.substr(0, name.rfind('-'));
    EXPECT_TRUE(saved.contains(pair + "-settings.txt") && saved.contains(pair + "-matrix.txt"))
        << name << ": half a pair";
    EXPECT_NE((flashed.out + again.out).find(name), std::string::npos) << name;
    if (name.ends_with("-matrix.txt")) {
      EXPECT_EQ(contents, "kept text");
      continue;
    }
    std::string error;
    const auto record = settings::ParseBackup(contents, error);
    ASSERT_TRUE(record) << error;
    EXPECT_EQ(settings::BytesToHex(std::span(*record).first(68)) + "\n", settings);
  }

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

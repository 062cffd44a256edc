// nimbo-cli's device commands in-process against the simulated device, so
// that failures and stop requests can be planted: flash, verify, memory read
// and matrix write.
#include <gtest/gtest.h>

#include <csignal>
#include <sstream>
#include <string>
#include <vector>

#include "Cli.h"
#include "Context.h"
#include "StopSignals.h"
#include "flasher/FlasherRig.h"

namespace nimbo::cli {
namespace {

class DeviceCommandTest : public ::testing::Test, protected test::FlasherRig {
 protected:
  std::vector<std::string> ErrLines() const {
    std::vector<std::string> lines;
    std::istringstream in(err.str());
    for (std::string line; std::getline(in, line);) {
      lines.push_back(line);
    }
    return lines;
  }

  std::ostringstream out;
  std::ostringstream err;
  Context context{out, err, module, &device};
};

TEST_F(DeviceCommandTest, ReportsProgressEveryTenPercentAndSucceeds) {
  EXPECT_EQ(RunCli({"flash", "--no-backup", firmwarePath}, context), kSuccess) << err.str();
  EXPECT_EQ(out.str(), "Flash Complete!\n");
  std::vector<std::string> expected = {"Device: NIMBO" + std::string(1, char(device.Model())),
                                       "Current Firmware: v1.0  -  New Firmware: v1.2"};
  for (int percent = 0; percent <= 100; percent += 10) {
    expected.push_back("Flashing CPU..." + std::to_string(percent) + "%");
  }
  EXPECT_EQ(ErrLines(), expected);
}

TEST_F(DeviceCommandTest, AFailureNamesItsBlockAddressTriesCauseAndFirstDifference) {
  struct Case {
    sim::Fault fault;
    const char* command;
    std::string line;
  };
  const std::size_t at = 72 + 64 * 3 + 5;  // image byte 5 of block 3
  char expected[64];
  std::snprintf(expected, sizeof expected, "expected 0x%02X, read 0x%02X", image[at],
                image[at] ^ 0xFF);
  const std::string block =
      "nimbo-cli: flash: block 3 at device address 0x0080 failed after 10 tries: ";
  const std::string partly = "; the device holds part of the new firmware: flash again";
  const std::string check = "nimbo-cli: flash: the device check failed: ";
  const std::string unwritten = "; nothing was written to the device";
  const Case cases[] = {
      {sim::Fault::Refuse, "WM",
       block + "the device refused it (acknowledge not 0x01) (LinkStatus 8)" + partly},
      {sim::Fault::CorruptReadBack, "RM",
       block +
           "the block read back differs from the block written (LinkStatus 8); first differing "
           "byte 5 (device address 0x0082): " +
           expected + partly},
      // Replies run behind: the last try meets the rest of an earlier one.
      {sim::Fault::Late, "WM",
       block +
           "the reply did not begin with the command's letters: wrong echo (or a late reply) "
           "(LinkStatus 8)" +
           partly},
      {sim::Fault::WrongEcho, "IF",
       check +
           "the reply did not begin with the command's letters: wrong echo (or a late reply) "
           "(LinkStatus 0)" +
           unwritten},
      {sim::Fault::Late, "IF",
       check + "no reply within the read time-out; the answer came after it (a late reply) " +
           "(LinkStatus 8)" + unwritten},
      {sim::Fault::Unplug, "WM",  // last: the device stays unplugged
       block +
           "the USB interface reported an I/O error: the device is gone (unplugged?) (LinkStatus "
           "4)" +
           partly},
  };
  device.Version() = 0x00;  // an answer, but one that the flasher takes for none
  EXPECT_EQ(RunCli({"flash", firmwarePath}, context), kFailure);
  EXPECT_EQ(ErrLines().back(),
            "nimbo-cli: flash: the device answered \"IF\" with firmware version "
            "0.0, which the flasher takes for no answer" +
                unwritten);
  device.Version() = 0x10;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    err.str("");
    device.ClearFaults();
    clock.SleepFor(1'000'000);  // until the late replies of a case above have come
    device.AddFault(
        {.fault = c.fault,
         .command = c.command,
         .address = c.command == std::string("IF") ? std::nullopt : std::optional(0x0080),
         .times = -1,
         .corruptAt = 5});
    EXPECT_EQ(RunCli({"flash", "--no-backup", firmwarePath}, context), kFailure);
    EXPECT_EQ(ErrLines().back(), c.line);
    EXPECT_EQ(out.str(), "");
  }
}

TEST_F(DeviceCommandTest, MemoryReadDumpsWhatTheDeviceHoldsEvenThroughADamagedReply) {
  for (std::size_t i = 0; i < 20; ++i) {
    device.Memory()[2 * 0x0020 + i] = static_cast<std::uint8_t>(0xA0 + i);
  }
  device.AddFault(
      {.fault = sim::Fault::CorruptReadBack, .command = "RM", .address = 0x0020, .corruptAt = 2});
  EXPECT_EQ(RunCli({"memory", "read", "0x0020", "20"}, context), kSuccess) << err.str();
  EXPECT_EQ(out.str(),
            "0020: A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF\n"
            "0028: B0 B1 B2 B3\n");
  // 0xFFF0 and 32 bytes end at 0xFFFF; one byte more lies beyond the device.
  EXPECT_EQ(RunCli({"memory", "read", "0xFFF0", "32"}, context), kSuccess) << err.str();
  EXPECT_EQ(RunCli({"memory", "read", "0xFFF0", "33"}, context), kUsageError);
}

// The store sends MemoryImage 0..1535: the device's bytes after the image must
// come back unchanged, so they are read first.
TEST_F(DeviceCommandTest, MatrixWriteKeepsTheDeviceBytesAfterTheImage) {
  auto copy = device.Memory().subspan(0x2000 * 2, 1536);
  for (std::size_t i = 0; i < copy.size(); ++i) {
    copy[i] = static_cast<std::uint8_t>(i % 200 + 1);
  }
  std::vector<std::uint8_t> expected(copy.begin(), copy.end());
  std::fill_n(expected.begin(), 768, 0);
  std::copy_n(std::vector<std::uint8_t>{0x80, 0x34, 'x', 0x34}.begin(), 4, expected.begin());
  out.setstate(std::ios::badbit);  // standard output closed: the text is stored all the same
  EXPECT_EQ(RunCli({"matrix", "write", "\u20ACx"}, context), kFailure);
  EXPECT_EQ(std::vector<std::uint8_t>(copy.begin(), copy.end()), expected);
  EXPECT_EQ(
      err.str(),
      "nimbo-cli: matrix write: the result could not be printed (standard output could not be "
      "written); the LED matrix text store itself completed\n");
}

// A stop request that comes while a command writes to the device waits for
// the write to end: the device then holds what an uninterrupted write leaves,
// the request is answered at once with what is being finished and about how
// long, and the program ends with 128 + the signal's number, by the signal
// itself. A signal ignored since the start (nohup) stays ignored.
TEST_F(DeviceCommandTest, AStopRequestDuringAWriteIsCarriedOutWhenTheWriteHasEnded) {
  struct Case {
    std::vector<std::string> args;
    const char* frame;  // the request comes once the host has sent this frame
    int count;          // so many times
    int signal;
    std::string what;  // the operation being finished
    const char* time;  // about how long that takes; nullptr: ignored since the start
  };
  std::string settings;
  for (int i = 0; i < 68; ++i) {
    settings += std::to_string(10 + i) + " ";
  }
  const std::vector<std::string> flash = {"flash", "--no-backup", firmwarePath};
  const std::string update = "the firmware update";
  const std::string store = "the LED matrix text store";
  const Case cases[] = {
      {flash, "WM", 45, SIGTERM, update, "about 7 s"},
      {flash, "WM", 405, SIGINT, update, "about 2 s"},
      {flash, "WM", 451, SIGHUP, update, "under a second"},  // the LED text stored back
      {{"settings", "write", settings}, "WE", 30, SIGQUIT, "the settings write", "under a second"},
      {{"matrix", "write", "--", "-kept-"}, "WM", 2, SIGTERM, store, "under a second"},
      {flash, "WM", 200, SIGHUP, update, nullptr},
  };
  int run = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + std::to_string(c.count));
    UseImage(flasher::SampleFirmwareImage(0x12, static_cast<std::uint32_t>(++run)));
    const auto text = TextImage();
    StartCase();
    out.str("");
    err.str("");
    std::optional<std::size_t> errAtRequest;  // how much was written before the request
    ui.onProcessEvents = [&] {
      if (!errAtRequest && SentFrames(c.frame) >= c.count) {
        errAtRequest = err.str().size();
        std::raise(c.signal);
      }
    };
    const auto before = c.time ? nullptr : std::signal(c.signal, SIG_IGN);
    const int status = RunCli(c.args, context);
    ui.onProcessEvents = nullptr;
    ASSERT_TRUE(errAtRequest);
    if (!c.time) {
      EXPECT_EQ(status, kSuccess) << err.str();
      EXPECT_EQ(err.str().find(StopRequestName(c.signal)), std::string::npos) << err.str();
      EXPECT_EQ(std::signal(c.signal, before), SIG_IGN) << "the signal is ignored no more";
      EXPECT_EQ(DeviceText(), text);
      continue;
    }
    EXPECT_EQ(status, 128 + c.signal) << err.str();
    // A calling shell learns that the program was stopped, and stops too.
    EXPECT_EXIT(ExitWith(status), testing::KilledBySignal(c.signal), "");
    const std::string prefix =
        "nimbo-cli: " + (c.args[0] == "flash" ? c.args[0] : c.args[0] + " " + c.args[1]) + ": ";
    // Answered at once: the answer is the next thing written.
    EXPECT_TRUE(err.str()
                    .substr(*errAtRequest)
                    .starts_with(prefix + StopRequestName(c.signal) + ": finishing " + c.what +
                                 " first, " + c.time + " ("))
        << err.str().substr(*errAtRequest);
    EXPECT_EQ(err.str().find(": finishing "), err.str().rfind(": finishing "));  // answered once
    EXPECT_EQ(ErrLines().back(),
              prefix + "ending on " + StopRequestName(c.signal) + "; " + c.what + " completed");
    if (c.args[0] == "flash") {
      EXPECT_EQ(FirstProgramDifference(test::kTextImageBegin, test::kTextImageEnd), std::nullopt);
      EXPECT_EQ(DeviceText(), text);
    } else if (c.args[0] == "settings") {
      EXPECT_EQ(device.Eeprom()[67], 0x77);  // the last byte
    } else {
      EXPECT_EQ(RunCli({"matrix", "read"}, context), kSuccess);
      EXPECT_TRUE(out.str().ends_with("-kept-\n")) << out.str();
    }
  }
  // In the pause after the flash, when no yield follows: answered all the same.
  StartCase();
  err.str("");
  ui.onSleep = [] { std::raise(SIGTERM); };
  EXPECT_EQ(RunCli({"flash", "--no-backup", firmwarePath}, context), 128 + SIGTERM);
  ui.onSleep = nullptr;
  EXPECT_NE(err.str().find("SIGTERM: finishing the firmware update first"), std::string::npos);
}

// verify reads the program area back and writes nothing: equal after a
// flash, even through a reply damaged on the way; every differing block
// counted and the first one named with its bytes; the kept LED text compared
// only with --reset-matrix.
TEST_F(DeviceCommandTest, VerifyComparesTheDeviceWithTheFileWithoutWriting) {
  ASSERT_EQ(RunCli({"flash", "--no-backup", firmwarePath}, context), kSuccess) << err.str();
  StartCase();
  out.str("");
  device.AddFault({.fault = sim::Fault::CorruptReadBack, .command = "RM", .address = 0x0100});
  EXPECT_EQ(RunCli({"verify", firmwarePath}, context), kSuccess) << err.str();
  EXPECT_EQ(out.str(), "The device holds " + firmwarePath + " (438 blocks compared).\n");

  const std::string differs = "nimbo-cli: verify: the device differs from " + firmwarePath + " in ";
  EXPECT_EQ(RunCli({"verify", "--reset-matrix", firmwarePath}, context), kFailure);
  EXPECT_TRUE(ErrLines().back().starts_with(
      differs + "12 of 450 blocks; the first is block 255 at device address 0x2000, byte "))
      << ErrLines().back();

  const std::size_t at = test::BlockAddress(7) * 2 + 9;  // block 7, byte 9
  device.Memory()[at] ^= 0xFF;
  device.Memory()[test::BlockAddress(449) * 2 + 63] ^= 0x01;
  EXPECT_EQ(RunCli({"verify", firmwarePath}, context), kFailure);
  char bytes[40];
  std::snprintf(bytes, sizeof bytes, "expected 0x%02X, read 0x%02X", device.Memory()[at] ^ 0xFF,
                device.Memory()[at]);
  EXPECT_EQ(ErrLines().back(), differs +
                                   "2 of 438 blocks; the first is block 7 at device address "
                                   "0x0100, byte 9 (device address 0x0104): " +
                                   bytes);
  for (const auto& [fault, cause] :
       {std::pair{sim::Fault::NoReply, "no reply within the read time-out"},
        std::pair{sim::Fault::CorruptReadBack, "checksum mismatch in the reply"}}) {
    device.ClearFaults();  // ten failed tries: the eleventh would succeed
    device.AddFault({.fault = fault, .command = "RM", .address = 0x0120, .times = 10});
    const int reads = SentFrames("RM");
    EXPECT_EQ(RunCli({"verify", firmwarePath}, context), kFailure);
    EXPECT_EQ(SentFrames("RM") - reads, 8 + 10);  // blocks 0..7, then block 8 ten times
    EXPECT_EQ(ErrLines().back(),
              std::string("nimbo-cli: verify: reading block 8 at device address 0x0120 failed: ") +
                  cause + " (LinkStatus 8)");
  }
  EXPECT_EQ(SentFrames("WM") + SentFrames("WE"), 0);
}

}  // namespace
}  // namespace nimbo::cli

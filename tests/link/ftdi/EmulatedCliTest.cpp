// nimbo-cli run in-process as an owner of a device runs it, with the emulated
// chip plugged in: it sends and shows what it sends and shows with
// --simulate, and it names a refused or a pulled interface. The chip runs a
// thousand times faster than the wire: these compare frames and messages; the
// chip's own tests keep to real time.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "Cli.h"
#include "flasher/FirmwareCodec.h"
#include "flasher/SampleFirmware.h"
#include "link/ftdi/EmulatedUsbBus.h"
#include "support/ScratchFolder.h"

namespace nimbo::ftdi::test {
namespace {

// nimbo-cli ARGS: its status, and what it wrote to both streams in order.
std::pair<int, std::string> Cli(const std::vector<std::string>& args) {
  std::ostringstream out;
  const int status = cli::RunCli(args, out, out, false);
  return {status, out.str()};
}

TEST(EmulatedCli, ReadsAndFlashesAsWithTheSimulatedDeviceAndNamesWhatFails) {
  ASSERT_TRUE(EmulatedUsbBus::Preloaded());
  nimbo::test::ScratchFolder folder;
  const std::string simulate = "--simulate=" + folder.File("device.state");
  const std::string update = folder.File("update.fwu");
  const auto file = flasher::EncodeFirmwareBytes(flasher::SampleFirmwareImage(), 1);
  std::ofstream(update, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  EmulatedUsbBus bus(1000);
  sim::SimulatedDevice device(bus.Time());
  device.LoadFactoryContents();
  const int chip = bus.Plug("FT232R USB UART", &device);

  // A settings read (of bytes 0 to 67), then a flash (of 450 blocks).
  const std::vector<std::string> commands[] = {{"--trace", "settings", "read"},
                                               {"--trace", "flash", "--no-backup", update}};
  for (const auto& [args, frame, count] :
       {std::tuple{commands[0], "\n> 52 45 43 00", 1}, {commands[1], "\n> 57 4D", 450}}) {
    SCOPED_TRACE(args[1]);
    if (args[1] == "flash") {
      device.CurrentMode() = sim::Mode::Update;
      ASSERT_EQ(Cli({simulate, "sim", "mode", "update"}).first, 0);
    }
    std::vector<std::string> simulated = args;
    simulated.insert(simulated.begin(), simulate);
    const auto [status, out] = Cli(args);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, Cli(simulated).second);
    int frames = 0;
    for (auto at = out.find(frame); at != std::string::npos; at = out.find(frame, at + 1)) {
      ++frames;
    }
    EXPECT_GE(frames, count);
  }

  const auto failsWith = [](const std::string& text) {
    const auto [status, out] = Cli({"settings", "read"});
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find(text), std::string::npos) << out;
  };
  bus.UnplugDuringRead(chip, 5);
  failsWith(
      "failed: the USB interface reported an I/O error: the device is gone (unplugged?) "
      "(LinkStatus 8)");
  bus.Unplug(chip);
  bus.RefuseOpen(bus.Plug("FT232R USB UART", &device));
  failsWith("OpenLink failed (LinkStatus 3)");
  failsWith("docs/hardware-access.md");
}

}  // namespace
}  // namespace nimbo::ftdi::test

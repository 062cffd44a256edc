// The D2XX backend against a driver library of the project's own in the
// vendor's place: loaded while the program runs, its calls found by name and
// made with the vendor's calling convention, the line set up as the link's
// table says, and the settings read and written through it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/NimboModule.h"
#include "link/backend/Backend.h"
#include "link/sim/DeviceStore.h"
#include "link/sim/SimulatedDeviceState.h"
#include "support/ScratchFolder.h"

namespace nimbo::backend {
namespace {

namespace fs = std::filesystem;

void SetEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());  // an empty value removes the variable
#else
  value.empty() ? ::unsetenv(name) : ::setenv(name, value.c_str(), 1);
#endif
}

class FakeDriver : public ::testing::Test {
 protected:
  void SetUp() override {
    SetEnvironment("NIMBO_FAKE_D2XX_STATE", (dir / "device.state").string());
    SetEnvironment("NIMBO_FAKE_D2XX_LOG", (dir / "calls.log").string());
  }
  void TearDown() override {
    for (const char* name : {"NIMBO_FAKE_D2XX_STATE", "NIMBO_FAKE_D2XX_LOG", "NIMBO_DRIVER"}) {
      SetEnvironment(name, "");
    }
  }

  std::unique_ptr<Backend> Make(std::optional<Driver> driver, const std::string& library) {
    BackendOptions options;
    options.driver = driver;
    options.d2xxLibrary = library;
    error.clear();
    return MakeBackend(options, error);
  }

  std::vector<std::string> Calls() const {
    std::ifstream in(dir / "calls.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
      lines.push_back(line);
    }
    return lines;
  }

  test::ScratchFolder folder;
  fs::path dir = folder.Path();
  std::string error;
};

TEST_F(FakeDriver, OpensByDescriptionSetsUpTheLineAndCarriesTheSettings) {
  auto backend = Make(Driver::D2xx, NIMBO_FAKE_D2XX);
  ASSERT_NE(backend, nullptr) << error;
  EXPECT_EQ(backend->Device(), nullptr);
  SilentUserInterface ui;
  NIMBOmodule module(backend->Transport(), ui);
  module.SizeSharedArrays();
  module.OpenLink();
  ASSERT_EQ(module.LinkStatus, 0);
  module.ReadEeprom();
  ASSERT_EQ(module.LinkStatus, 0);
  module.SettingsBytes[5] ^= 0x5A;
  module.WriteEeprom();
  EXPECT_EQ(module.LinkStatus, 0);

  auto store = sim::OpenStateFile((dir / "device.state").string(), error);
  ASSERT_NE(store, nullptr) << error;
  VirtualClock clock;
  sim::SimulatedDevice device(clock, std::move(store));
  // A pulled cable reaches the link as FT_Read's I/O status, not as silence.
  sim::FaultRule unplug;
  unplug.fault = sim::Fault::Unplug;
  device.AddFault(unplug);
  module.ReadEeprom();
  EXPECT_EQ(module.FailureCause, LinkCause::DeviceGone);
  module.CloseLink();
  EXPECT_TRUE(std::equal(device.Eeprom().begin(), device.Eeprom().begin() + 68,
                         module.SettingsBytes.begin()));
  const std::vector<std::string> calls = Calls();
  const std::vector<std::string> setUp = {
      "FT_OpenEx \"Corvane Serial Link\" 2",
      "FT_OpenEx \"FT232R USB UART\" 2",
      "FT_OpenEx \"USB Serial Converter\" 2",
      "FT_SetBaudRate 125000",
      "FT_SetFlowControl 0 0 0",
      "FT_SetLatencyTimer 2",
      "FT_SetUSBParameters 4096 0",
      "FT_SetDataCharacteristics 8 0 0",
      "FT_SetChars 0 0 0 0",
      "FT_SetTimeouts 250 0",
      "FT_Read 20",  // the drain
  };
  ASSERT_GT(calls.size(), setUp.size());
  EXPECT_EQ(std::vector(calls.begin(), calls.begin() + setUp.size()), setUp);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "FT_Purge 3"), 3) << "one per transfer";
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "FT_Write 6"), 68) << "one frame per byte";
  EXPECT_EQ(calls.back(), "FT_Close");
}

// Every way the driver can be unusable ends with a message that says which.
TEST_F(FakeDriver, AMissingLibraryOrCallOrAnUnknownChoiceIsNamed) {
  struct Case {
    const char* environment;  // NIMBO_DRIVER
    std::optional<Driver> driver;
    std::string library;
    std::string message;
  };
  const std::string missing = (dir / fs::path(kD2xxLibraryName)).string();
  const std::string corrupt = (dir / "corrupt.dll").string();
  std::ofstream(corrupt) << "no library";
  const Case cases[] = {
      {"", Driver::D2xx, missing, "the FTDI D2XX driver is not installed (" + missing},
      {"", Driver::D2xx, corrupt, "the FTDI D2XX driver cannot be loaded (" + corrupt},
      {"d2xx", std::nullopt, missing, "the FTDI D2XX driver is not installed"},
      {"", Driver::D2xx, NIMBO_FAKE_D2XX_INCOMPLETE, "lacks the call FT_Purge"},
      {"ftdi", std::nullopt, NIMBO_FAKE_D2XX, "NIMBO_DRIVER is 'ftdi'; this build knows"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    SetEnvironment("NIMBO_DRIVER", c.environment);
    EXPECT_EQ(Make(c.driver, c.library), nullptr);
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_EQ(error.find('%'), std::string::npos) << "an unfilled insert: " << error;
  }
}

}  // namespace
}  // namespace nimbo::backend

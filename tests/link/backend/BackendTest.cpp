// Choosing the link from the command line, and the simulated device kept in a
// state file between runs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "link/NimboModule.h"
#include "link/backend/Backend.h"

namespace nimbo::backend {
namespace {

TEST(ParseSimulateOption, RecognisesTheOptionOnly) {
  struct Case {
    const char* arg;
    bool recognised;
    bool simulate;
    std::optional<std::string> stateFile;
  };
  const Case cases[] = {
      {"--simulate", true, true, std::nullopt},
      {"--simulate=dev.state", true, true, "dev.state"},
      {"--simulate=/tmp/a=b", true, true, "/tmp/a=b"},
      {"--simulate=", true, true, ""},
      {"--simulated", false, false, "untouched"},
      {"--simulat", false, false, "untouched"},
      {"-simulate", false, false, "untouched"},
      {"simulate", false, false, "untouched"},
      {"--trace", false, false, "untouched"},
  };
  for (const Case& c : cases) {
    BackendOptions options;
    options.stateFile = "untouched";
    EXPECT_EQ(ParseSimulateOption(c.arg, options), c.recognised) << c.arg;
    EXPECT_EQ(options.simulate, c.simulate) << c.arg;
    EXPECT_EQ(options.stateFile, c.stateFile) << c.arg;
  }
}

class BackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("nimbo-backend-" + std::to_string(getpid()) + "-" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  BackendOptions Simulated(const std::string& stateName) const {
    BackendOptions options;
    options.simulate = true;
    options.realTime = false;
    options.stateFile = (dir_ / stateName).string();
    return options;
  }

  std::filesystem::path dir_;
};

std::string Contents(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(BackendTest, StateFileIsCreatedAndCarriesChangesToTheNextRun) {
  const BackendOptions options = Simulated("device.state");
  std::string error;
  std::uint8_t changed = 0;
  {
    auto backend = MakeBackend(options, error);
    ASSERT_NE(backend, nullptr) << error;
    EXPECT_TRUE(std::filesystem::exists(*options.stateFile));
    sim::SimulatedDevice& device = *backend->Device();
    changed = static_cast<std::uint8_t>(device.Eeprom()[10] ^ 0xFF);
    device.Eeprom()[10] = changed;
    device.CurrentMode() = sim::Mode::Update;
  }  // saved on destruction
  auto again = MakeBackend(options, error);
  ASSERT_NE(again, nullptr) << error;
  EXPECT_EQ(again->Device()->Eeprom()[10], changed);
  EXPECT_EQ(again->Device()->CurrentMode(), sim::Mode::Update);
}

TEST_F(BackendTest, DamagedStateFileIsRefusedAndLeftAlone) {
  const BackendOptions options = Simulated("damaged.state");
  const std::string damaged = "this is not a device\n";
  std::ofstream(*options.stateFile, std::ios::binary) << damaged;
  std::string error;
  EXPECT_EQ(MakeBackend(options, error), nullptr);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(Contents(*options.stateFile), damaged);
}

TEST_F(BackendTest, EmptyStateFileNameIsRefused) {
  BackendOptions options;
  ASSERT_TRUE(ParseSimulateOption("--simulate=", options));
  std::string error;
  EXPECT_EQ(MakeBackend(options, error), nullptr);
  EXPECT_FALSE(error.empty());
}

TEST_F(BackendTest, TraceShowsTheBytesOfAnExchange) {
  BackendOptions options;
  options.simulate = true;
  options.realTime = false;
  std::ostringstream trace;
  options.trace = &trace;
  std::string error;
  auto backend = MakeBackend(options, error);
  ASSERT_NE(backend, nullptr) << error;
  SilentUserInterface ui;
  NIMBOmodule module(backend->Transport(), ui);
  module.OpenLink();
  ASSERT_EQ(module.LinkStatus, 0);
  module.SettingsBytes[3] = 0x41;
  module.WriteEeprom();
  ASSERT_EQ(module.LinkStatus, 0);
  module.CloseLink();  // ends the last line
  EXPECT_NE(trace.str().find("\n> 57 45 03 00 41 4A\n< 57 45 01\n"), std::string::npos)
      << trace.str();
  EXPECT_EQ(backend->Device()->Eeprom()[3], 0x41);
}

TEST_F(BackendTest, RealHardwareHasNoSimulatedDevice) {
  std::string error;
  auto backend = MakeBackend(BackendOptions{}, error);
  ASSERT_NE(backend, nullptr) << error;
  EXPECT_EQ(backend->Device(), nullptr);
  EXPECT_TRUE(backend->SaveState(error));
  FtHandle handle = 0;
  EXPECT_EQ(backend->Transport().OpenEx("FT232R USB UART", ft::kOpenByDescription, handle),
            ft::kDeviceNotFound);
}

}  // namespace
}  // namespace nimbo::backend

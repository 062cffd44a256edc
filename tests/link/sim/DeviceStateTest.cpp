// The state file: a device comes back exactly as saved, and a damaged file
// is refused with a message while the device stays as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "link/Clock.h"
#include "link/sim/SimulatedDeviceState.h"

namespace nimbo::sim::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class DeviceStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory =
        std::filesystem::temp_directory_path() /
        ("nimbo-sim-state-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(directory);
    path = (directory / "device.nimbo").string();
  }
  void TearDown() override { std::filesystem::remove_all(directory); }

  Bytes FileBytes() const {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  void WriteFile(const Bytes& bytes) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }

  std::filesystem::path directory;
  std::string path;
  VirtualClock clock;
};

TEST_F(DeviceStateTest, RoundTripRestoresEverything) {
  SimulatedDevice saved(clock);
  saved.LoadFactoryContents();
  saved.Memory()[kMemoryBytes - 1] = 0x77;
  saved.Eeprom()[255] = 0x66;
  saved.Version() = 0x13;
  saved.Model() = 'Q';
  saved.CurrentMode() = Mode::Update;
  std::string error;
  ASSERT_TRUE(SaveDeviceState(saved, path, error)) << error;

  SimulatedDevice loaded(clock);
  ASSERT_TRUE(LoadDeviceState(loaded, path, error)) << error;
  EXPECT_TRUE(std::ranges::equal(loaded.Memory(), std::as_const(saved).Memory()));
  EXPECT_TRUE(std::ranges::equal(loaded.Eeprom(), std::as_const(saved).Eeprom()));
  EXPECT_EQ(loaded.Version(), 0x13);
  EXPECT_EQ(loaded.Model(), 'Q');
  EXPECT_EQ(loaded.CurrentMode(), Mode::Update);
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST_F(DeviceStateTest, RefusesDamagedFilesAndKeepsTheDevice) {
  SimulatedDevice source(clock);
  source.LoadFactoryContents();
  std::string error;
  ASSERT_TRUE(SaveDeviceState(source, path, error)) << error;
  const Bytes good = FileBytes();
  // Header: magic 0..7, format 8..11, version 12, model 13, mode 14, 15,
  // memory size 16..19, EEPROM size 20..23; then data and a CRC-32.
  const std::vector<std::pair<const char*, std::function<void(Bytes&)>>> damage = {
      {"empty", [](Bytes& b) { b.clear(); }},
      {"magic", [](Bytes& b) { b[0] = 'X'; }},
      {"format", [](Bytes& b) { b[8] = 9; }},
      {"memory size", [](Bytes& b) { b[18] = 0; }},
      {"truncated", [](Bytes& b) { b.pop_back(); }},
      {"header only", [](Bytes& b) { b.resize(24); }},
      {"too long", [](Bytes& b) { b.push_back(0); }},
      {"flipped memory byte", [](Bytes& b) { b[1000] ^= 0x01; }},
      {"flipped mode", [](Bytes& b) { b[14] = 2; }},
  };
  for (const auto& [name, change] : damage) {
    SCOPED_TRACE(name);
    Bytes bad = good;
    change(bad);
    WriteFile(bad);
    SimulatedDevice target(clock);  // all zeros, version 0x21
    target.Version() = 0x55;
    error.clear();
    EXPECT_FALSE(LoadDeviceState(target, path, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(target.Version(), 0x55);
    EXPECT_TRUE(std::ranges::all_of(target.Eeprom(), [](std::uint8_t b) { return b == 0; }));
  }
}

TEST_F(DeviceStateTest, ReportsMissingFilesAndUnwritablePaths) {
  SimulatedDevice device(clock);
  std::string error;
  EXPECT_FALSE(LoadDeviceState(device, (directory / "absent").string(), error));
  EXPECT_NE(error.find("absent"), std::string::npos);
  error.clear();
  EXPECT_FALSE(SaveDeviceState(device, (directory / "no-such-dir" / "x").string(), error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace nimbo::sim::test

// nimbo-cli's settings commands against the simulated device, kept in a state
// file so that consecutive runs see one device.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

struct CliRun {
  int status = -1;
  std::string out;  // stdout and stderr together
};

class SettingsCli : public ::testing::Test {
 protected:
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Runs nimbo-cli on the simulated device kept in a state file.
  CliRun Cli(const std::string& args) {
    std::filesystem::create_directories(dir_);
    const std::string command = std::string("'") + NIMBO_CLI_PATH + "' --simulate='" +
                                (dir_ / "device.state").string() + "' " + args + " 2>&1";
    CliRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
      return run;
    }
    std::array<char, 512> chunk{};
    while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr) {
      run.out += chunk.data();
    }
    const int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
  }

  const std::filesystem::path dir_ =
      std::filesystem::temp_directory_path() / ("nimbo-settings-cli-" + std::to_string(::getpid()));
};

TEST_F(SettingsCli, DefaultsKeepByteZeroAndShowAsTheWindowDoes) {
  std::string image = "A5";
  for (int i = 1; i < 68; ++i) {
    image += " 3C";  // unlike every default byte
  }
  EXPECT_NE(Cli("settings write '" + image.substr(3) + "'").status, 0);  // 67 bytes
  ASSERT_EQ(Cli("settings write '" + image + "'").status, 0);
  EXPECT_EQ(Cli("settings read").out, image + "\n");

  const CliRun defaults = Cli("settings defaults");
  ASSERT_EQ(defaults.status, 0) << defaults.out;
  const CliRun show = Cli("settings show");
  ASSERT_EQ(show.status, 0) << show.out;
  for (const char* line :
       {"LED 1: STATUS", "LED 2: IRQ", "LED 3: ROM", "LED 4: EXROM", "ROM Banks: 8 banks (27512)",
        "RESET Type: RESET + EXROM", "OLED Screen: Normal", "OLED Brigtness: 100%",
        "Reset Timeout: 1000ms", "ROM Timeout: 1500ms", "Menu Timeout: 3000ms",
        "Voltage Monitoring Enabled: ticked", "Voltage Monitoring Flash: ticked", "Minimum: 4.65",
        "Maximum: 5.35", "Offset: - 50", "IRQ High: #0F0000", "ROM 6: #000F0F"}) {
    EXPECT_NE(("\n" + show.out).find("\n" + std::string(line) + "\n"), std::string::npos)
        << line << " in:\n"
        << show.out;
  }
  const CliRun after = Cli("settings read");
  EXPECT_EQ(after.out.substr(0, 2), "A5");
  // Bytes 1..15 and 64..67 of the factory table.
  EXPECT_EQ(after.out.substr(3, 15 * 3), "07 01 02 03 04 00 09 38 00 64 00 96 01 2C B2 ");
  EXPECT_EQ(after.out.substr(after.out.size() - 12), "01 D1 02 17\n");
}

}  // namespace

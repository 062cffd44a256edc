// nimbo-cli's settings commands against the simulated device, kept in a state
// file so that consecutive runs see one device.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct CliRun {
  int status = -1;
  std::string out;  // stdout and stderr together
};

class SettingsCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("nimbo-settings-cli-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  CliRun Cli(const std::string& args) {
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

  std::filesystem::path dir_;
};

std::string Hex(const std::vector<int>& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string text;
  for (int b : bytes) {
    text += (text.empty() ? "" : " ");
    text += digits[b / 16];
    text += digits[b % 16];
  }
  return text;
}

TEST_F(SettingsCli, DefaultsKeepByteZeroAndShowAsTheWindowDoes) {
  std::vector<int> image(68);
  for (int i = 0; i < 68; ++i) {
    image[i] = (i * 37 + 5) % 256;  // anything unlike the defaults
  }
  image[0] = 0xA5;
  const CliRun write = Cli("settings write '" + Hex(image) + "'");
  ASSERT_EQ(write.status, 0) << write.out;
  const CliRun read_back = Cli("settings read");
  ASSERT_EQ(read_back.status, 0) << read_back.out;
  EXPECT_EQ(read_back.out, Hex(image) + "\n");

  const CliRun defaults = Cli("settings defaults");
  ASSERT_EQ(defaults.status, 0) << defaults.out;
  const CliRun show = Cli("settings show");
  ASSERT_EQ(show.status, 0) << show.out;
  // The full report is checked in-process; here its lines reach stdout.
  for (const char* line : {"LED 1: STATUS\n", "ROM Banks: 8 banks (27512)\n", "Offset: - 50\n"}) {
    EXPECT_NE(show.out.find(line), std::string::npos) << line << "in:\n" << show.out;
  }
  const CliRun after = Cli("settings read");
  ASSERT_EQ(after.status, 0) << after.out;
  EXPECT_EQ(after.out.substr(0, 2), "A5");
  // Bytes 1..15 of the factory table, then the first ROM colour.
  EXPECT_EQ(after.out.substr(3, 15 * 3), "07 01 02 03 04 00 09 38 00 64 00 96 01 2C B2 ");
  EXPECT_EQ(after.out.substr(after.out.size() - 12), "01 D1 02 17\n");
}

TEST_F(SettingsCli, WriteRefusesAnythingButSixtyEightBytes) {
  const CliRun short_image = Cli("settings write '" + Hex(std::vector<int>(67, 1)) + "'");
  EXPECT_NE(short_image.status, 0);
  EXPECT_NE(short_image.out.find("settings write:"), std::string::npos) << short_image.out;
  const CliRun usage = Cli("settings frobnicate");
  EXPECT_NE(usage.status, 0);
}

}  // namespace

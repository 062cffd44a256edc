// "matrix get" and "matrix set" of nimbo-cli, run in-process against the
// simulated device so that failures can be injected.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "Commands.h"
#include "link/Clock.h"
#include "link/NimboModule.h"
#include "link/sim/SimulatedDevice.h"
#include "link/sim/SimulatedTransport.h"
#include "support/RecordingUserInterface.h"

namespace nimbo::cli {
namespace {

constexpr std::size_t kCopyStart = 0x2000 * 2;  // device memory byte of address 0x2000

class MatrixCommandTest : public ::testing::Test {
 protected:
  VirtualClock clock;
  sim::SimulatedDevice device{clock};
  sim::SimulatedTransport transport{device, clock};
  test::RecordingUserInterface ui;
  NIMBOmodule module{transport, ui};
  std::ostringstream out;
  std::ostringstream err;
  Context context{module, out, err};

  int Run(std::vector<std::string> args) { return RunMatrixCommand(context, args); }

  void FailRepeatedly(sim::Fault fault, const std::string& command, int address) {
    sim::FaultRule rule;
    rule.fault = fault;
    rule.command = command;
    rule.address = address;
    rule.times = -1;
    device.AddFault(rule);
  }
};

TEST_F(MatrixCommandTest, FailuresGiveOneLineAndANonZeroExit) {
  struct Case {
    std::vector<std::string> args;
    sim::Fault fault;
    std::string command;
    std::string line;     // the line written to the error stream
    std::string message;  // the message box text, if any
  };
  const std::vector<Case> cases = {
      {{"get"}, sim::Fault::Refuse, "RM", "LED Matrix String read failed (LinkStatus 8)\n", ""},
      {{"set", "x"},
       sim::Fault::Refuse,
       "RM",
       "LED Matrix String read failed (LinkStatus 8)\n",
       ""},
      {{"set", "x"},
       sim::Fault::Refuse,
       "WM",
       "LED Matrix String store failed (LinkStatus 8)\n",
       "Device write error! Data is corrupted!  Re-try update!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " with " + c.command + " refused");
    device.ClearFaults();
    ui.messages.clear();
    err.str("");
    out.str("");
    FailRepeatedly(c.fault, c.command, 0x2040);
    EXPECT_NE(Run(c.args), 0);
    EXPECT_EQ(err.str(), c.line);
    EXPECT_EQ(out.str(), "");
    ASSERT_EQ(ui.messages.size(), c.message.empty() ? 0u : 1u);
    if (!c.message.empty()) {
      EXPECT_EQ(ui.messages[0].text, c.message);
    }
  }
}

TEST_F(MatrixCommandTest, SetStoresTheTextAndKeepsTheDeviceBytesAfterTheImage) {
  auto copy = device.Memory().subspan(kCopyStart, 1536);
  for (std::size_t i = 0; i < copy.size(); ++i) {
    copy[i] = static_cast<std::uint8_t>(i % 200 + 1);
  }
  const std::vector<std::uint8_t> tail(copy.begin() + 768, copy.end());

  EXPECT_EQ(Run({"set", "\u20ACx"}), 0);

  std::vector<std::uint8_t> expected(768, 0);
  expected[0] = 0x80;
  expected[1] = 0x34;
  expected[2] = 'x';
  expected[3] = 0x34;
  EXPECT_EQ(std::vector<std::uint8_t>(copy.begin(), copy.begin() + 768), expected);
  EXPECT_EQ(std::vector<std::uint8_t>(copy.begin() + 768, copy.end()), tail);
  EXPECT_EQ(module.MatrixString, "\u20ACx");
}

TEST_F(MatrixCommandTest, RefusedTextAndBadUsageSendNothing) {
  const std::vector<std::vector<std::string>> cases = {{"set", std::string(385, 'a')},
                                                       {"set", "\xE4\xB8\xAD"},
                                                       {"set"},
                                                       {"set", "a", "b"},
                                                       {"store"},
                                                       {}};
  for (const auto& args : cases) {
    device.ClearTrace();
    err.str("");
    EXPECT_EQ(Run(args), 2);
    EXPECT_TRUE(device.Trace().empty());
    EXPECT_NE(err.str(), "");
  }
}

}  // namespace
}  // namespace nimbo::cli

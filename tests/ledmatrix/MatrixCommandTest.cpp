// "matrix get" and "matrix set" of nimbo-cli, run in-process against the
// simulated device so that failures can be injected.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "Cli.h"
#include "Context.h"
#include "link/NimboModule.h"
#include "support/SimulatedRig.h"

namespace nimbo::cli {
namespace {

class MatrixCommandTest : public ::testing::Test, protected test::SimulatedRig {
 protected:
  std::ostringstream out;
  std::ostringstream err;
  Context context{out, err, module, &device};
};

// Link failures: one line on the error stream, a non-zero exit, nothing on the
// output; a failed store also shows the device's message.
TEST_F(MatrixCommandTest, FailuresGiveOneLineAndANonZeroExit) {
  const std::string readFailed = ": LED Matrix String read failed (LinkStatus 8)\n";
  const std::string stored =
      "nimbo-cli: matrix set: LED Matrix String store failed (LinkStatus 8)\n";
  const std::string writeError = "Device write error! Data is corrupted!  Re-try update!";
  // arguments, the command the device refuses, the error line, the messages shown
  const std::vector<
      std::tuple<std::vector<std::string>, std::string, std::string, std::vector<std::string>>>
      cases = {{{"get"}, "RM", "nimbo-cli: matrix get" + readFailed, {}},
               {{"set", "x"}, "RM", "nimbo-cli: matrix set" + readFailed, {}},
               {{"set", "x"}, "WM", stored, {writeError}}};
  for (const auto& [args, refused, line, shown] : cases) {
    SCOPED_TRACE(args[0] + " with " + refused + " refused");
    device.ClearFaults();
    ui.messages.clear();
    err.str("");
    device.AddFault(
        {.fault = sim::Fault::Refuse, .command = refused, .address = 0x2040, .times = -1});
    std::vector<std::string> command = {"matrix"};
    command.insert(command.end(), args.begin(), args.end());
    EXPECT_NE(RunCli(command, context), 0);
    EXPECT_EQ(err.str(), line);
    EXPECT_EQ(out.str(), "");
    std::vector<std::string> messages;
    for (const auto& m : ui.messages) {
      messages.push_back(m.text);
    }
    EXPECT_EQ(messages, shown);
  }
}

// The store sends MemoryImage 0..1535: the device's bytes after the image must
// come back unchanged, so they are read first.
TEST_F(MatrixCommandTest, SetStoresTheTextAndKeepsTheDeviceBytesAfterTheImage) {
  auto copy = device.Memory().subspan(0x2000 * 2, 1536);
  for (std::size_t i = 0; i < copy.size(); ++i) {
    copy[i] = static_cast<std::uint8_t>(i % 200 + 1);
  }
  std::vector<std::uint8_t> expected(copy.begin(), copy.end());
  std::fill_n(expected.begin(), 768, 0);
  std::copy_n(std::vector<std::uint8_t>{0x80, 0x34, 'x', 0x34}.begin(), 4, expected.begin());

  EXPECT_EQ(RunCli({"matrix", "set", "\u20ACx"}, context), 0);

  EXPECT_EQ(std::vector<std::uint8_t>(copy.begin(), copy.end()), expected);
  EXPECT_EQ(module.MatrixString, "\u20ACx");
}

}  // namespace
}  // namespace nimbo::cli

// Opening by description, handle checks and scripted call failures.
#include <gtest/gtest.h>

#include "link/Clock.h"
#include "link/sim/SimulatedTransport.h"

namespace nimbo::sim::test {
namespace {

struct TransportTest : ::testing::Test {
  VirtualClock clock;
  SimulatedDevice device{clock};
  SimulatedTransport transport{device, clock, "USB Serial Converter"};
};

TEST_F(TransportTest, OpensOnlyByItsExactDescription) {
  struct Case {
    const char* description;
    std::uint32_t flags;
    FtStatus status;
  };
  const Case cases[] = {
      {"FT232R USB UART", 2, ft::kDeviceNotFound},
      {"USB Serial Converter ", 2, ft::kDeviceNotFound},
      {"usb serial converter", 2, ft::kDeviceNotFound},
      {"USB Serial Converter", 1, ft::kDeviceNotFound},
      {nullptr, 2, ft::kDeviceNotFound},
  };
  FtHandle handle = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(transport.OpenEx(c.description, c.flags, handle), c.status);
    EXPECT_EQ(handle, 0u);
  }
  ASSERT_EQ(transport.OpenEx("USB Serial Converter", 2, handle), ft::kOk);
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(transport.ReadTimeout(), 250000);

  transport.SetAbsent(true);
  FtHandle other = 0;
  EXPECT_EQ(transport.OpenEx("USB Serial Converter", 2, other), ft::kDeviceNotFound);
}

TEST_F(TransportTest, RefusesWrongAndClosedHandles) {
  FtHandle handle = 0;
  ASSERT_EQ(transport.OpenEx("USB Serial Converter", 2, handle), ft::kOk);
  EXPECT_EQ(transport.SetBaudRate(handle + 1, 125000), ft::kInvalidHandle);
  EXPECT_EQ(transport.SetBaudRate(handle, 125000), ft::kOk);
  EXPECT_EQ(transport.BaudRate(), 125000u);
  EXPECT_EQ(transport.Close(handle), ft::kOk);
  std::uint32_t count = 0;
  std::uint8_t byte = 0;
  EXPECT_EQ(transport.Write(handle, {&byte, 1}, count), ft::kInvalidHandle);
  EXPECT_EQ(transport.Close(handle), ft::kInvalidHandle);
  // A new open gives a new handle; the old one stays dead.
  FtHandle again = 0;
  ASSERT_EQ(transport.OpenEx("USB Serial Converter", 2, again), ft::kOk);
  EXPECT_NE(again, handle);
  EXPECT_EQ(transport.Purge(handle, 3), ft::kInvalidHandle);
}

TEST_F(TransportTest, FailCallScriptsAStatusAndCallsAreRecorded) {
  FtHandle handle = 0;
  transport.FailCall("SetLatencyTimer", ft::kIoError);
  ASSERT_EQ(transport.OpenEx("USB Serial Converter", 2, handle), ft::kOk);
  EXPECT_EQ(transport.SetBaudRate(handle, 125000), ft::kOk);
  EXPECT_EQ(transport.SetLatencyTimer(handle, 2), ft::kIoError);
  EXPECT_EQ(transport.SetLatencyTimer(handle, 2), ft::kIoError);
  transport.FailCall("SetLatencyTimer", ft::kOk);
  EXPECT_EQ(transport.SetLatencyTimer(handle, 2), ft::kOk);
  EXPECT_EQ(transport.Close(handle), ft::kOk);
  const std::vector<std::string> expected = {
      "OpenEx", "SetBaudRate", "SetLatencyTimer", "SetLatencyTimer", "SetLatencyTimer", "Close"};
  EXPECT_EQ(transport.Calls(), expected);
}

}  // namespace
}  // namespace nimbo::sim::test

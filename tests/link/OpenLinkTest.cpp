// Finding, setting up and closing the interface.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LinkFixture.h"

namespace nimbo::test {
namespace {

using Calls = std::vector<std::string>;

const Calls kSetUp = {"SetBaudRate",      "SetFlowControl",         "SetLatencyTimer",
                      "SetUSBParameters", "SetDataCharacteristics", "SetChars",
                      "SetTimeouts"};

Calls Prefix(const Calls& calls, std::size_t count) {
  return Calls(calls.begin(),
               calls.begin() + static_cast<std::ptrdiff_t>(std::min(count, calls.size())));
}

class OnlyConverter : public LinkFixture {
 protected:
  OnlyConverter() : LinkFixture("USB Serial Converter") {}
};

TEST_F(OnlyConverter, ThirdDescriptionOpensThenSetUpInOrderThenDrain) {
  module.OpenLink();
  EXPECT_EQ(module.LinkStatus, 0);
  EXPECT_NE(module.LinkHandle, 0u);
  Calls expected = {"OpenEx", "OpenEx", "OpenEx"};
  expected.insert(expected.end(), kSetUp.begin(), kSetUp.end());
  expected.push_back("Read");  // the drain; the device is silent so one read times out
  EXPECT_EQ(transport.Calls(), expected);
  EXPECT_EQ(transport.BaudRate(), 125000u);
  EXPECT_EQ(transport.ReadTimeout(), 250000);
  EXPECT_EQ(module.RxCount, 20);
  EXPECT_EQ(module.RxTimedOut, kTrue);  // the drain's own result stays visible
}

TEST_F(LinkFixture, NoInterfaceMeansThreeAttemptsAndNoSetUp) {
  transport.SetAbsent(true);
  module.OpenLink();
  EXPECT_NE(module.LinkStatus, 0);
  EXPECT_EQ(module.LinkHandle, 0u);
  EXPECT_EQ(transport.Calls(), (Calls{"OpenEx", "OpenEx", "OpenEx"}));
}

TEST_F(LinkFixture, SetUpFailures) {
  struct Case {
    const char* call;
    bool opens;
  };
  const Case cases[] = {{"SetUSBParameters", true},
                        {"SetBaudRate", false},
                        {"SetLatencyTimer", false},
                        {"SetTimeouts", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    VirtualClock caseClock;
    sim::SimulatedDevice caseDevice{caseClock};
    sim::SimulatedTransport caseTransport{caseDevice, caseClock};
    RecordingUserInterface caseUi;
    NIMBOmodule caseModule{caseTransport, caseUi};
    caseTransport.FailCall(c.call, ft::kIoError);
    caseModule.OpenLink();
    const Calls& calls = caseTransport.Calls();
    if (c.opens) {
      EXPECT_EQ(caseModule.LinkStatus, 0);
      EXPECT_NE(caseModule.LinkHandle, 0u);
      Calls expected = {"OpenEx", "OpenEx"};  // the first description is not this interface
      expected.insert(expected.end(), kSetUp.begin(), kSetUp.end());
      EXPECT_EQ(Prefix(calls, expected.size()), expected);
    } else {
      EXPECT_EQ(caseModule.LinkStatus, static_cast<std::int32_t>(ft::kIoError));
      EXPECT_EQ(caseModule.LinkHandle, 0u);
      // Set-up stops at the failing call, then the handle is closed.
      const auto failing = std::find(kSetUp.begin(), kSetUp.end(), std::string(c.call));
      Calls expected = {"OpenEx", "OpenEx"};
      expected.insert(expected.end(), kSetUp.begin(), failing + 1);
      expected.push_back("Close");
      EXPECT_EQ(calls, expected);
    }
  }
}

TEST_F(LinkFixture, CloseLink) {
  module.CloseLink();  // no link: nothing is called
  EXPECT_EQ(module.LinkHandle, 0u);
  EXPECT_TRUE(transport.Calls().empty());

  Open();
  module.OpenLink();  // opening again closes the old handle first
  EXPECT_EQ(CallCount("Close"), 1);
  EXPECT_NE(module.LinkHandle, 0u);
  module.CloseLink();
  EXPECT_EQ(module.LinkHandle, 0u);
  EXPECT_EQ(CallCount("Close"), 2);
}

}  // namespace
}  // namespace nimbo::test

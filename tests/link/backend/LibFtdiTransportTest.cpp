// The libftdi1 backend on a machine with no NIMBO interface plugged in (and
// possibly no USB at all): every open fails cleanly with "not found".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/NimboModule.h"
#include "link/ftdi/LibFtdiTransport.h"

namespace nimbo::ftdi {
namespace {

constexpr const char* kDescriptions[] = {"Corvane Serial Link", "FT232R USB UART",
                                         "USB Serial Converter"};

// Passes every call on and notes its name.
class CallRecorder final : public D2xx {
 public:
  explicit CallRecorder(D2xx& inner) : inner_(inner) {}
  std::vector<std::string> calls;

  FtStatus OpenEx(const char* d, std::uint32_t f, FtHandle& h) override {
    calls.push_back("OpenEx");
    return inner_.OpenEx(d, f, h);
  }
  FtStatus SetBaudRate(FtHandle h, std::uint32_t b) override {
    calls.push_back("SetBaudRate");
    return inner_.SetBaudRate(h, b);
  }
  FtStatus SetFlowControl(FtHandle h, std::uint16_t f, std::uint8_t on, std::uint8_t off) override {
    calls.push_back("SetFlowControl");
    return inner_.SetFlowControl(h, f, on, off);
  }
  FtStatus SetLatencyTimer(FtHandle h, std::uint8_t ms) override {
    calls.push_back("SetLatencyTimer");
    return inner_.SetLatencyTimer(h, ms);
  }
  FtStatus SetUSBParameters(FtHandle h, std::uint32_t in, std::uint32_t out) override {
    calls.push_back("SetUSBParameters");
    return inner_.SetUSBParameters(h, in, out);
  }
  FtStatus SetDataCharacteristics(FtHandle h, std::uint8_t w, std::uint8_t s,
                                  std::uint8_t p) override {
    calls.push_back("SetDataCharacteristics");
    return inner_.SetDataCharacteristics(h, w, s, p);
  }
  FtStatus SetChars(FtHandle h, std::uint8_t a, std::uint8_t b, std::uint8_t c,
                    std::uint8_t d) override {
    calls.push_back("SetChars");
    return inner_.SetChars(h, a, b, c, d);
  }
  FtStatus SetTimeouts(FtHandle h, std::uint32_t r, std::uint32_t w) override {
    calls.push_back("SetTimeouts");
    return inner_.SetTimeouts(h, r, w);
  }
  FtStatus Write(FtHandle h, std::span<const std::uint8_t> d, std::uint32_t& n) override {
    calls.push_back("Write");
    return inner_.Write(h, d, n);
  }
  FtStatus Read(FtHandle h, std::span<std::uint8_t> d, std::uint32_t& n) override {
    calls.push_back("Read");
    return inner_.Read(h, d, n);
  }
  FtStatus Purge(FtHandle h, std::uint32_t m) override {
    calls.push_back("Purge");
    return inner_.Purge(h, m);
  }
  FtStatus Close(FtHandle h) override {
    calls.push_back("Close");
    return inner_.Close(h);
  }

 private:
  D2xx& inner_;
};

TEST(LibFtdiTransport, NothingPluggedInIsNotFound) {
  LibFtdiTransport transport;
  for (const char* description : kDescriptions) {
    FtHandle handle = 77;
    EXPECT_EQ(transport.OpenEx(description, ft::kOpenByDescription, handle), ft::kDeviceNotFound)
        << description;
    EXPECT_EQ(handle, 0u) << description;
  }
}

TEST(LibFtdiTransport, OpenLinkGivesUpAfterThreeAttempts) {
  LibFtdiTransport transport;
  CallRecorder recorder(transport);
  SilentUserInterface ui;
  NIMBOmodule module(recorder, ui);
  module.OpenLink();
  EXPECT_EQ(module.LinkHandle, 0u);
  EXPECT_EQ(module.LinkStatus, static_cast<std::int32_t>(ft::kDeviceNotFound));
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"OpenEx", "OpenEx", "OpenEx"}));
}

TEST(LibFtdiTransport, RefusesBadArgumentsAndUnknownHandles) {
  LibFtdiTransport transport;
  FtHandle handle = 0;
  EXPECT_EQ(transport.OpenEx(nullptr, ft::kOpenByDescription, handle), ft::kInvalidParameter);
  EXPECT_EQ(transport.OpenEx("FT232R USB UART", 4, handle), ft::kInvalidParameter);

  // Handle 0 is never valid, and 5 was never handed out.
  for (const FtHandle bad : {FtHandle{0}, FtHandle{5}}) {
    std::uint8_t buffer[4] = {};
    std::uint32_t count = 9;
    EXPECT_EQ(transport.SetBaudRate(bad, 125000), ft::kInvalidHandle);
    EXPECT_EQ(transport.SetFlowControl(bad, 0, 0, 0), ft::kInvalidHandle);
    EXPECT_EQ(transport.SetLatencyTimer(bad, 2), ft::kInvalidHandle);
    EXPECT_EQ(transport.SetUSBParameters(bad, 4096, 0), ft::kInvalidHandle);
    EXPECT_EQ(transport.SetDataCharacteristics(bad, 8, 0, 0), ft::kInvalidHandle);
    EXPECT_EQ(transport.SetChars(bad, 0, 0, 0, 0), ft::kInvalidHandle);
    EXPECT_EQ(transport.SetTimeouts(bad, 250, 0), ft::kInvalidHandle);
    EXPECT_EQ(transport.Write(bad, buffer, count), ft::kInvalidHandle);
    EXPECT_EQ(count, 0u);
    count = 9;
    EXPECT_EQ(transport.Read(bad, buffer, count), ft::kInvalidHandle);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(transport.Purge(bad, ft::kPurgeRx | ft::kPurgeTx), ft::kInvalidHandle);
    EXPECT_EQ(transport.Close(bad), ft::kInvalidHandle);
  }
}

}  // namespace
}  // namespace nimbo::ftdi

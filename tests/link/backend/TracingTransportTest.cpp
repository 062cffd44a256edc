// The trace joins the calls of one exchange into one frame line and one
// reply line, whatever pieces they came in.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "link/backend/TracingTransport.h"

namespace nimbo::backend {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Takes writes as told and hands out scripted read results.
class ScriptedD2xx final : public D2xx {
 public:
  FtStatus writeStatus = ft::kOk;
  std::optional<std::uint32_t> writeLimit;  // the interface takes at most this many
  std::deque<Bytes> reads;

  FtStatus OpenEx(const char*, std::uint32_t, FtHandle& handle) override {
    handle = 1;
    return ft::kOk;
  }
  FtStatus SetBaudRate(FtHandle, std::uint32_t) override { return ft::kOk; }
  FtStatus SetFlowControl(FtHandle, std::uint16_t, std::uint8_t, std::uint8_t) override {
    return ft::kOk;
  }
  FtStatus SetLatencyTimer(FtHandle, std::uint8_t) override { return ft::kOk; }
  FtStatus SetUSBParameters(FtHandle, std::uint32_t, std::uint32_t) override { return ft::kOk; }
  FtStatus SetDataCharacteristics(FtHandle, std::uint8_t, std::uint8_t, std::uint8_t) override {
    return ft::kOk;
  }
  FtStatus SetChars(FtHandle, std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t) override {
    return ft::kOk;
  }
  FtStatus SetTimeouts(FtHandle, std::uint32_t, std::uint32_t) override { return ft::kOk; }
  FtStatus Write(FtHandle, std::span<const std::uint8_t> data, std::uint32_t& written) override {
    written = 0;
    if (writeStatus != ft::kOk) {
      return writeStatus;
    }
    written = static_cast<std::uint32_t>(data.size());
    if (writeLimit && *writeLimit < written) {
      written = *writeLimit;
    }
    return ft::kOk;
  }
  FtStatus Read(FtHandle, std::span<std::uint8_t> destination, std::uint32_t& returned) override {
    returned = 0;
    if (reads.empty()) {
      return ft::kOk;
    }
    const Bytes piece = reads.front();
    reads.pop_front();
    const std::size_t count = std::min(piece.size(), destination.size());
    std::copy_n(piece.begin(), count, destination.begin());
    returned = static_cast<std::uint32_t>(count);
    return ft::kOk;
  }
  FtStatus Purge(FtHandle, std::uint32_t) override { return ft::kOk; }
  FtStatus Close(FtHandle) override { return ft::kOk; }
};

enum class Op { Write, Read, Purge };

struct Step {
  Op op;
  Bytes bytes;  // Write: the bytes sent; Read: what the interface returns
};

struct TraceCase {
  const char* name;
  std::vector<Step> steps;
  std::string expected;
};

std::string RunSteps(const std::vector<Step>& steps, ScriptedD2xx& inner) {
  std::ostringstream out;
  {
    TracingTransport tracing(inner, out);
    for (const Step& step : steps) {
      if (step.op == Op::Read) {
        inner.reads.push_back(step.bytes);
      }
    }
    for (const Step& step : steps) {
      std::uint32_t count = 0;
      if (step.op == Op::Write) {
        tracing.Write(1, step.bytes, count);
      } else if (step.op == Op::Read) {
        Bytes buffer(step.bytes.size() + 8);  // room for more than arrives
        tracing.Read(1, buffer, count);
      } else {
        tracing.Purge(1, ft::kPurgeRx | ft::kPurgeTx);
      }
    }
  }  // destruction writes out the last line
  return out.str();
}

// "> 57 4D 20 00" followed by 64 " 00" and " 28", spelled out independently.
std::string ZeroBlockFrameLine() {
  std::string line = "> 57 4D 20 00";
  for (int i = 0; i < 64; ++i) {
    line += " 00";
  }
  return line + " 28\n";
}

TEST(TracingTransport, JoinsCallsIntoOneLinePerDirection) {
  const Bytes zeros(64, 0x00);
  const std::vector<TraceCase> cases = {
      {"write byte 0x41 at EEPROM address 3",
       {{Op::Write, {0x57, 0x45, 0x03, 0x00, 0x41, 0x4A}}, {Op::Read, {0x57, 0x45, 0x01}}},
       "> 57 45 03 00 41 4A\n< 57 45 01\n"},
      {"memory block sent in three writes",
       {{Op::Purge, {}},
        {Op::Write, {0x57, 0x4D, 0x20, 0x00}},
        {Op::Write, zeros},
        {Op::Write, {0x28}},
        {Op::Read, {0x57, 0x4D, 0x01}}},
       ZeroBlockFrameLine() + "< 57 4D 01\n"},
      {"reply gathered by several reads",
       {{Op::Write, {0x52, 0x45, 0x00, 0x00}},
        {Op::Read, {0x52, 0x45}},
        {Op::Read, {0xAB}},
        {Op::Read, {0xE3, 0x01}}},
       "> 52 45 00 00\n< 52 45 AB E3 01\n"},
      {"a read that brings nothing still ends the frame line",
       {{Op::Write, {0x49, 0x46}}, {Op::Read, {}}, {Op::Write, {0x49, 0x46}}, {Op::Read, {}}},
       "> 49 46\n> 49 46\n"},
      {"a purge ends the reply line",
       {{Op::Read, {0x01, 0x02}}, {Op::Purge, {}}, {Op::Read, {0x03}}},
       "< 01 02\n< 03\n"},
      {"nothing travelled, nothing written", {{Op::Purge, {}}, {Op::Read, {}}}, ""},
  };
  for (const TraceCase& c : cases) {
    ScriptedD2xx inner;
    EXPECT_EQ(RunSteps(c.steps, inner), c.expected) << c.name;
  }
}

TEST(TracingTransport, TracesOnlyWhatTheInterfaceTook) {
  ScriptedD2xx refusing;
  refusing.writeStatus = ft::kIoError;
  EXPECT_EQ(RunSteps({{Op::Write, {0x49, 0x46}}}, refusing), "");

  ScriptedD2xx partial;
  partial.writeLimit = 2;
  EXPECT_EQ(RunSteps({{Op::Write, {0x52, 0x4D, 0x00, 0x20}}}, partial), "> 52 4D\n");
}

}  // namespace
}  // namespace nimbo::backend

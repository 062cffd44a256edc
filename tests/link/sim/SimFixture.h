// A simulated device behind an opened transport on a virtual clock, with
// helpers that speak raw frames to it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "link/Clock.h"
#include "link/sim/SimulatedDevice.h"
#include "link/sim/SimulatedTransport.h"

namespace nimbo::sim::test {

using Bytes = std::vector<std::uint8_t>;

// Rules built field by field (designated initializers that leave members out
// draw -Wmissing-field-initializers).
inline FaultRule Rule(Fault fault, std::string command = "",
                      std::optional<int> address = std::nullopt, int times = 1) {
  FaultRule rule;
  rule.fault = fault;
  rule.command = std::move(command);
  rule.address = address;
  rule.times = times;
  return rule;
}

inline FaultRule Split(std::size_t at, Micros gap) {
  FaultRule rule = Rule(Fault::SplitReply);
  rule.splitAt = at;
  rule.splitGap = gap;
  return rule;
}

inline FaultRule Surplus(std::size_t count) {
  FaultRule rule = Rule(Fault::SurplusBytes);
  rule.surplusCount = count;
  return rule;
}

inline FaultRule Corrupt(std::size_t at) {
  FaultRule rule = Rule(Fault::CorruptReadBack);
  rule.corruptAt = at;
  return rule;
}

class SimFixture : public ::testing::Test {
 protected:
  SimFixture() : device(clock), transport(device, clock) {}

  void SetUp() override {
    ASSERT_EQ(transport.OpenEx("FT232R USB UART", ft::kOpenByDescription, handle), ft::kOk);
    ASSERT_NE(handle, 0u);
  }

  void Send(const Bytes& bytes) {
    std::uint32_t written = 0;
    ASSERT_EQ(transport.Write(handle, bytes, written), ft::kOk);
    ASSERT_EQ(written, bytes.size());
  }

  // One read of up to `count` bytes; returns what arrived before the time-out.
  Bytes Read(std::size_t count) {
    Bytes buffer(count);
    std::uint32_t returned = 0;
    EXPECT_EQ(transport.Read(handle, buffer, returned), ft::kOk);
    buffer.resize(returned);
    return buffer;
  }

  // Sends a frame and reads the reply it should produce (fewer bytes if the
  // device falls silent).
  Bytes Exchange(const Bytes& frame, std::size_t replyLength) {
    Send(frame);
    return Read(replyLength);
  }

  void PurgeBoth() { ASSERT_EQ(transport.Purge(handle, 3), ft::kOk); }

  static Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
      all.insert(all.end(), part.begin(), part.end());
    }
    return all;
  }

  VirtualClock clock;
  SimulatedDevice device;
  SimulatedTransport transport;
  FtHandle handle = 0;
};

}  // namespace nimbo::sim::test

// The blocking read built on polls, timed on a virtual clock: bytes arrive on
// a schedule and the read must end exactly when a blocking read would.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "link/ftdi/PolledRead.h"

namespace nimbo::ftdi {
namespace {

constexpr Micros kTimeout = 250000;

// Bytes that reach the host at given times; a poll hands over what is there.
struct Arrival {
  Micros at;
  std::vector<std::uint8_t> bytes;
};

struct Wire {
  VirtualClock clock;
  std::vector<Arrival> schedule;
  std::vector<std::uint8_t> pending;
  std::size_t nextArrival = 0;
  int polls = 0;
  std::optional<Micros> failFrom;  // polls at or after this time fail

  int Poll(std::span<std::uint8_t> destination) {
    ++polls;
    if (failFrom && clock.Now() >= *failFrom) {
      return -1;
    }
    while (nextArrival < schedule.size() && schedule[nextArrival].at <= clock.Now()) {
      const auto& bytes = schedule[nextArrival++].bytes;
      pending.insert(pending.end(), bytes.begin(), bytes.end());
    }
    const std::size_t count = std::min(pending.size(), destination.size());
    std::copy_n(pending.begin(), count, destination.begin());
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(count));
    return static_cast<int>(count);
  }

  PolledReadResult Read(std::span<std::uint8_t> destination, Micros timeout = kTimeout) {
    return ReadWithTimeout([this](std::span<std::uint8_t> d) { return Poll(d); }, clock, timeout,
                           destination);
  }
};

TEST(PolledRead, EndsWhenCompleteOrAtTheTimeOut) {
  struct Case {
    const char* name;
    std::vector<Arrival> schedule;
    std::size_t wanted;
    std::size_t expectedCount;
    Micros earliestEnd;  // the read ends in [earliestEnd, earliestEnd + one pause]
  };
  const std::vector<Case> cases = {
      {"all there at once", {{0, {1, 2, 3}}}, 3, 3, 0},
      {"second piece within the time-out", {{0, {1, 2}}, {100000, {3, 4, 5}}}, 5, 5, 100000},
      {"second piece after the time-out", {{0, {1, 2}}, {300000, {3, 4, 5}}}, 5, 2, kTimeout},
      {"silent device", {}, 3, 0, kTimeout},
      {"surplus stays behind", {{0, {1, 2, 3, 4}}}, 3, 3, 0},
  };
  for (const Case& c : cases) {
    Wire wire;
    wire.schedule = c.schedule;
    std::vector<std::uint8_t> destination(c.wanted, 0xEE);
    const PolledReadResult result = wire.Read(destination);
    EXPECT_FALSE(result.failed) << c.name;
    EXPECT_EQ(result.count, c.expectedCount) << c.name;
    EXPECT_GE(wire.clock.Now(), c.earliestEnd) << c.name;
    EXPECT_LE(wire.clock.Now(), std::min(c.earliestEnd + kPollPause, kTimeout)) << c.name;
    for (std::size_t i = 0; i < result.count; ++i) {
      EXPECT_EQ(destination[i], i + 1) << c.name << ": bytes kept in order";
    }
  }
}

TEST(PolledRead, PausesBetweenEmptyPolls) {
  Wire wire;
  std::vector<std::uint8_t> destination(4);
  wire.Read(destination);
  // One poll per pause over the whole time-out, plus the first one.
  EXPECT_LE(wire.polls, kTimeout / kPollPause + 1);
  EXPECT_GE(wire.polls, 2);
}

TEST(PolledRead, ZeroTimeOutPollsOnce) {
  Wire wire;
  wire.schedule = {{0, {7}}};
  std::vector<std::uint8_t> destination(2);
  const PolledReadResult result = wire.Read(destination, 0);
  EXPECT_EQ(wire.polls, 1);
  EXPECT_EQ(result.count, 1u);
  EXPECT_EQ(wire.clock.Now(), 0);
}

TEST(PolledRead, FailureKeepsWhatArrivedBefore) {
  Wire wire;
  wire.schedule = {{0, {1, 2}}, {50000, {3}}};
  wire.failFrom = 20000;
  std::vector<std::uint8_t> destination(3);
  const PolledReadResult result = wire.Read(destination);
  EXPECT_TRUE(result.failed);
  EXPECT_EQ(result.count, 2u);
  EXPECT_LT(wire.clock.Now(), kTimeout);
}

TEST(PolledRead, PollClaimingTooMuchCannotOverrun) {
  VirtualClock clock;
  std::vector<std::uint8_t> destination(4);
  const PolledReadResult result =
      ReadWithTimeout([](std::span<std::uint8_t> d) { return static_cast<int>(d.size()) + 10; },
                      clock, kTimeout, destination);
  EXPECT_EQ(result.count, destination.size());
}

}  // namespace
}  // namespace nimbo::ftdi

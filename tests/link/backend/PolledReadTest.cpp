// The blocking read built on polls, timed on a virtual clock: bytes arrive on
// a schedule and the read must end exactly when a blocking read would.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "link/ftdi/PolledRead.h"

namespace nimbo::ftdi {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr Micros kTimeout = 250000;

TEST(PolledRead, EndsWhenCompleteFailedOrAtTheTimeOut) {
  struct Case {
    const char* name;
    std::vector<std::pair<Micros, Bytes>> schedule;  // when bytes reach the host
    std::optional<Micros> failFrom;                  // polls from then on fail
    std::size_t wanted;
    std::size_t count;
    bool failed;
    Micros earliestEnd;  // the read ends in [earliestEnd, earliestEnd + one pause]
  };
  const std::vector<Case> cases = {
      {"all there at once", {{0, {1, 2, 3}}}, {}, 3, 3, false, 0},
      {"second piece in time", {{0, {1, 2}}, {100000, {3, 4, 5}}}, {}, 5, 5, false, 100000},
      {"second piece too late", {{0, {1, 2}}, {300000, {3, 4, 5}}}, {}, 5, 2, false, kTimeout},
      {"silent device", {}, {}, 3, 0, false, kTimeout},
      {"surplus stays behind", {{0, {1, 2, 3, 4}}}, {}, 3, 3, false, 0},
      {"failure keeps what came before", {{0, {1, 2}}, {50000, {3}}}, 20000, 3, 2, true, 20000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualClock clock;
    Bytes arrived;  // reached the host and not yet handed over
    std::size_t next = 0;
    const auto poll = [&](std::span<std::uint8_t> destination) {
      if (c.failFrom && clock.Now() >= *c.failFrom) {
        return -1;
      }
      for (; next < c.schedule.size() && c.schedule[next].first <= clock.Now(); ++next) {
        arrived.insert(arrived.end(), c.schedule[next].second.begin(),
                       c.schedule[next].second.end());
      }
      const std::size_t count = std::min(arrived.size(), destination.size());
      std::copy_n(arrived.begin(), count, destination.begin());
      arrived.erase(arrived.begin(), arrived.begin() + static_cast<std::ptrdiff_t>(count));
      return static_cast<int>(count);
    };
    Bytes destination(c.wanted, 0xEE);
    const PolledReadResult result = ReadWithTimeout(poll, clock, kTimeout, destination);
    EXPECT_EQ(result.failed, c.failed);
    EXPECT_EQ(result.count, c.count);
    EXPECT_GE(clock.Now(), c.earliestEnd);
    EXPECT_LE(clock.Now(), std::min(c.earliestEnd + kPollPause, kTimeout));
    for (std::size_t i = 0; i < result.count; ++i) {
      EXPECT_EQ(destination[i], i + 1) << "bytes kept in order";
    }
  }
}

TEST(PolledRead, PollClaimingTooMuchCannotOverrun) {
  VirtualClock clock;
  Bytes destination(4);
  const PolledReadResult result =
      ReadWithTimeout([](std::span<std::uint8_t> d) { return static_cast<int>(d.size()) + 10; },
                      clock, kTimeout, destination);
  EXPECT_EQ(result.count, destination.size());
}

}  // namespace
}  // namespace nimbo::ftdi

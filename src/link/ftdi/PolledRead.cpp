#include "link/ftdi/PolledRead.h"

#include <algorithm>

namespace nimbo::ftdi {

PolledReadResult ReadWithTimeout(const PollFunction& poll, Clock& clock, Micros timeout,
                                 std::span<std::uint8_t> destination) {
  PolledReadResult result;
  const Micros deadline = clock.Now() + std::max<Micros>(timeout, 0);
  while (true) {
    const int got = poll(destination.subspan(result.count));
    if (got < 0) {
      result.failed = true;
      return result;
    }
    // A poll never stores more than it was offered; clamp in case it claims to.
    result.count +=
        std::min<std::size_t>(static_cast<std::size_t>(got), destination.size() - result.count);
    if (result.count == destination.size()) {
      return result;
    }
    const Micros now = clock.Now();
    if (now >= deadline) {
      return result;
    }
    if (got == 0) {
      clock.SleepUntil(std::min(now + kPollPause, deadline));
    }
  }
}

}  // namespace nimbo::ftdi

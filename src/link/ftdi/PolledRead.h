// A blocking read with a time-out, built on a poll that never waits.
//
// libftdi hands out whatever has arrived so far; the vendor's read blocks
// until the count is complete or the time-out has passed. This loop turns the
// one into the other, pausing briefly between polls instead of spinning.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "link/Clock.h"

namespace nimbo::ftdi {

// Pause between two polls that brought nothing new; the interface's own
// latency timer (2 ms) makes a finer pause pointless.
inline constexpr Micros kPollPause = 1000;

// Stores up to destination.size() bytes and returns how many were stored, or a
// negative value on failure.
using PollFunction = std::function<int(std::span<std::uint8_t> destination)>;

struct PolledReadResult {
  std::size_t count = 0;  // bytes stored, also on failure
  bool failed = false;    // a poll reported an error
};

// Polls until `destination` is full, a poll fails, or `timeout` microseconds
// have passed since the call; always polls at least once.
PolledReadResult ReadWithTimeout(const PollFunction& poll, Clock& clock, Micros timeout,
                                 std::span<std::uint8_t> destination);

}  // namespace nimbo::ftdi

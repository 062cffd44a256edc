// Time as the simulated device and the pauses of the program see it.
//
// The real clock sleeps; the virtual clock only moves its hands, so that tests
// and benchmarks run a 250 ms time-out in no time while every duration is
// still accounted for.
#pragma once

#include <chrono>
#include <cstdint>

#include "link/platform/PreciseSleep.h"

namespace nimbo {

using Micros = std::int64_t;  // microseconds

class Clock {
 public:
  virtual ~Clock() = default;
  virtual Micros Now() const = 0;
  // Returns once Now() has reached `deadline` (at once if it has already).
  virtual void SleepUntil(Micros deadline) = 0;
  void SleepFor(Micros duration) { SleepUntil(Now() + duration); }
};

class VirtualClock final : public Clock {
 public:
  Micros Now() const override { return now_; }
  void SleepUntil(Micros deadline) override {
    if (deadline > now_) {
      now_ = deadline;
    }
  }

 private:
  Micros now_ = 0;
};

class SteadyClock final : public Clock {
 public:
  Micros Now() const override {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 start_)
        .count();
  }
  void SleepUntil(Micros deadline) override {
    platform::SleepUntil(start_ + std::chrono::microseconds(deadline));
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace nimbo

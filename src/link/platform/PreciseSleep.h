// Sleeping to the millisecond and below. The default timer of Windows ticks
// every 15.6 ms, which would make each pause of the simulated device's
// real-time model up to 15 ms too long.
#pragma once

#include <chrono>

namespace nimbo::platform {

// Returns once the steady clock has reached `deadline`.
void SleepUntil(std::chrono::steady_clock::time_point deadline);

}  // namespace nimbo::platform

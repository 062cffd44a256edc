// Decides which faults strike one exchange: first the scripted rules, then,
// if enabled, a seeded random draw for every fault kind.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "link/sim/DeviceFrames.h"
#include "link/sim/SimulatedDevice.h"

namespace nimbo::sim {

inline constexpr std::size_t kFaultKinds = 10;

struct ExchangeFaults {
  std::array<bool, kFaultKinds> active{};
  std::size_t splitAt = 1;
  Micros splitGap = 0;
  std::vector<std::uint8_t> surplus;  // the extra bytes, in order
  std::size_t corruptAt = 0;          // data byte to flip
  Micros lateBy = 0;                  // delay of a late reply

  bool Has(Fault fault) const { return active[static_cast<std::size_t>(fault)]; }
  bool Any() const;
};

class FaultPlan {
 public:
  void Add(const FaultRule& rule) { rules_.push_back(rule); }
  const std::vector<FaultRule>& Rules() const { return rules_; }
  void SetRules(std::vector<FaultRule> rules) { rules_ = std::move(rules); }
  void Clear();
  void SetRandom(const RandomFaults& faults);

  // Faults for one exchange of `shape` at `address` (none for "IF"); uses up
  // one of each matching rule's times.
  ExchangeFaults Draw(const CommandShape& shape, std::optional<int> address);

 private:
  void ApplyRules(const CommandShape& shape, std::optional<int> address, ExchangeFaults& out);
  void ApplyRandom(const CommandShape& shape, ExchangeFaults& out);
  // A number in [0, 1) from the top 53 bits of one draw, the same on every
  // standard library.
  double Uniform();
  // A number in [0, bound) (bound > 0).
  std::uint64_t Below(std::uint64_t bound);

  std::vector<FaultRule> rules_;
  RandomFaults random_;
  std::mt19937_64 generator_;
};

}  // namespace nimbo::sim

#include "link/sim/FaultPlan.h"

#include <algorithm>

namespace nimbo::sim {
namespace {

// Random split gaps reach past the host's 250 ms read time-out now and then.
constexpr Micros kLongestRandomGap = 400'000;
constexpr std::uint64_t kMostRandomSurplus = 8;
// Random late replies come between just after and twice the 250 ms time-out.
constexpr Micros kShortestRandomLate = 260'000;
constexpr Micros kLongestRandomLate = 500'000;

std::size_t IndexOf(Fault fault) {
  return static_cast<std::size_t>(fault);
}

bool Matches(const FaultRule& rule, const CommandShape& shape, std::optional<int> address) {
  if (rule.times == 0) {
    return false;
  }
  if (!rule.command.empty() && rule.command != NameOf(shape.command)) {
    return false;
  }
  return !rule.address || (address && *rule.address == *address);
}

}  // namespace

bool ExchangeFaults::Any() const {
  return std::any_of(active.begin(), active.end(), [](bool on) { return on; });
}

void FaultPlan::Clear() {
  rules_.clear();
  random_ = RandomFaults{};
}

void FaultPlan::SetRandom(const RandomFaults& faults) {
  random_ = faults;
  generator_.seed(faults.seed);
}

ExchangeFaults FaultPlan::Draw(const CommandShape& shape, std::optional<int> address) {
  ExchangeFaults out;
  ApplyRules(shape, address, out);
  if (random_.probability > 0.0) {
    ApplyRandom(shape, out);
  }
  return out;
}

void FaultPlan::ApplyRules(const CommandShape& shape, std::optional<int> address,
                           ExchangeFaults& out) {
  for (FaultRule& rule : rules_) {
    if (!Matches(rule, shape, address) || out.Has(rule.fault)) {
      continue;
    }
    if (rule.after > 0) {
      --rule.after;
      continue;
    }
    out.active[IndexOf(rule.fault)] = true;
    if (rule.fault == Fault::SplitReply) {
      out.splitAt = rule.splitAt;
      out.splitGap = rule.splitGap;
    } else if (rule.fault == Fault::SurplusBytes) {
      out.surplus.assign(rule.surplusCount, 0x00);
    } else if (rule.fault == Fault::CorruptReadBack) {
      out.corruptAt = rule.corruptAt;
    } else if (rule.fault == Fault::Late) {
      out.lateBy = rule.lateBy;
    }
    if (rule.times > 0) {
      --rule.times;
    }
  }
  std::erase_if(rules_, [](const FaultRule& rule) { return rule.times == 0; });
}

void FaultPlan::ApplyRandom(const CommandShape& shape, ExchangeFaults& out) {
  // One draw per kind on every exchange keeps the sequence in step whatever
  // the rules did. A pulled cable ends every later exchange, so it is never
  // drawn (and takes no draw, so that seeds keep their sequences).
  std::array<bool, kFaultKinds> struck{};
  for (std::size_t kind = 0; kind < kFaultKinds; ++kind) {
    struck[kind] = kind != IndexOf(Fault::Unplug) && Uniform() < random_.probability;
  }
  for (std::size_t kind = 0; kind < kFaultKinds; ++kind) {
    if (!struck[kind] || out.active[kind]) {
      continue;
    }
    out.active[kind] = true;
    switch (static_cast<Fault>(kind)) {
      case Fault::SplitReply:
        out.splitAt =
            1 + static_cast<std::size_t>(Below(std::max<std::size_t>(shape.replyLength - 1, 1)));
        out.splitGap = static_cast<Micros>(Below(kLongestRandomGap));
        break;
      case Fault::SurplusBytes:
        out.surplus.resize(1 + Below(kMostRandomSurplus));
        for (std::uint8_t& byte : out.surplus) {
          byte = static_cast<std::uint8_t>(Below(256));
        }
        break;
      case Fault::CorruptReadBack:
        out.corruptAt = static_cast<std::size_t>(Below(kBlockBytes));
        break;
      case Fault::Late:
        out.lateBy = kShortestRandomLate +
                     static_cast<Micros>(Below(kLongestRandomLate - kShortestRandomLate));
        break;
      default:
        break;
    }
  }
}

double FaultPlan::Uniform() {
  return static_cast<double>(generator_() >> 11) * 0x1.0p-53;
}

std::uint64_t FaultPlan::Below(std::uint64_t bound) {
  return generator_() % bound;
}

}  // namespace nimbo::sim

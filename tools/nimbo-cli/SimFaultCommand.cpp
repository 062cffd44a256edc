// "sim fault ...": arms the simulated device's fault rules, kept in its state
// file, so that a program holding the device meets them at its next exchange.
#include <CLI/CLI.hpp>
#include <charconv>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "Commands.h"

namespace nimbo::cli {
namespace {

struct FaultKind {
  const char* word;
  sim::Fault fault;
  const char* help;
};

constexpr FaultKind kKinds[] = {
    {"silent", sim::Fault::NoReply, "The device swallows the command and answers nothing"},
    {"echo", sim::Fault::WrongEcho, "The reply's two letters are wrong"},
    {"checksum", sim::Fault::WrongChecksum, "The reply carries a wrong checksum (RM, RE)"},
    {"refuse", sim::Fault::Refuse, "The acknowledge byte is not 0x01; a write stores nothing"},
    {"corrupt", sim::Fault::CorruptReadBack, "One data byte of an RM/RE reply is flipped"},
    {"drop", sim::Fault::DropWrite, "A write is acknowledged but not stored"},
    {"split", sim::Fault::SplitReply, "The reply arrives in two pieces"},
    {"surplus", sim::Fault::SurplusBytes, "Extra bytes follow the reply"},
    {"late", sim::Fault::Late, "The whole reply comes late, past the host's time-out"},
    {"unplug", sim::Fault::Unplug, "The cable is pulled as the command arrives"},
};

const char* WordOf(sim::Fault fault) {
  for (const FaultKind& kind : kKinds) {
    if (kind.fault == fault) {
      return kind.word;
    }
  }
  return "?";
}

// "300ms", "2s", "1500us" or a bare number of milliseconds.
std::optional<Micros> ParseDuration(const std::string& text) {
  long long value = -1;
  const char* begin = text.data();
  const char* end = begin + text.size();
  const auto [rest, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc{} || value < 0 || rest == begin) {
    return std::nullopt;
  }
  const std::string unit(rest, end);
  const long long scale = unit == "us"                     ? 1
                          : (unit == "ms" || unit.empty()) ? 1000
                          : unit == "s"                    ? 1000000
                                                           : -1;
  if (scale < 0 || value > 3600LL * 1000000 / scale) {
    return std::nullopt;
  }
  return static_cast<Micros>(value * scale);
}

std::string DurationText(Micros duration) {
  return duration % 1000 == 0 ? std::to_string(duration / 1000) + "ms"
                              : std::to_string(duration) + "us";
}

// The rule in the words that arm it.
std::string Describe(const sim::FaultRule& rule) {
  std::string text = WordOf(rule.fault);
  if (!rule.command.empty()) {
    text += ' ' + rule.command;
  }
  if (rule.address) {
    text += " --address " + std::to_string(*rule.address);
  }
  if (rule.after > 0) {
    text += " --after " + std::to_string(rule.after);
  }
  text += rule.times < 0 ? " --times always" : " --times " + std::to_string(rule.times);
  switch (rule.fault) {
    case sim::Fault::SplitReply:
      text += " --at " + std::to_string(rule.splitAt) + " --gap " + DurationText(rule.splitGap);
      break;
    case sim::Fault::SurplusBytes:
      text += " --count " + std::to_string(rule.surplusCount);
      break;
    case sim::Fault::CorruptReadBack:
      text += " --byte " + std::to_string(rule.corruptAt);
      break;
    case sim::Fault::Late:
      text += " --by " + DurationText(rule.lateBy);
      break;
    default:
      break;
  }
  return text;
}

// What one kind's command line fills in.
struct Arming {
  sim::FaultRule rule;
  std::string times = "1";
  std::string gap = "0";
  std::string late = "300ms";
};

int Arm(Context& context, const Arming& arming) {
  sim::FaultRule rule = arming.rule;
  if (arming.times == "always") {
    rule.times = -1;
  } else if (const char* const end = arming.times.data() + arming.times.size(); [&] {
               const auto [rest, ec] = std::from_chars(arming.times.data(), end, rule.times);
               return ec != std::errc{} || rest != end;
             }() || rule.times < 1) {
    return context.Fail("--times takes a count of 1 or more, or \"always\"", kUsageError);
  }
  const std::optional<Micros> gap = ParseDuration(arming.gap);
  if (!gap) {
    return context.Fail("--gap takes a duration such as 300ms, 2s or 1500us", kUsageError);
  }
  rule.splitGap = *gap;
  const std::optional<Micros> late = ParseDuration(arming.late);
  if (!late) {
    return context.Fail("--by takes a duration such as 300ms, 2s or 1500us", kUsageError);
  }
  rule.lateBy = *late;
  sim::SimulatedDevice* device = context.Device();
  if (device == nullptr) {
    return context.Simulated() ? kFailure : kUsageError;
  }
  if (!device->AddFault(rule)) {
    return context.Fail(
        "the simulated device holds as many fault rules as it can; "
        "clear them with \"sim fault clear\"");
  }
  return kSuccess;
}

int List(Context& context) {
  sim::SimulatedDevice* device = context.Device();
  if (device == nullptr) {
    return context.Simulated() ? kFailure : kUsageError;
  }
  for (const sim::FaultRule& rule : device->FaultRules()) {
    context.Out() << Describe(rule) << '\n';
  }
  return kSuccess;
}

int Clear(Context& context) {
  sim::SimulatedDevice* device = context.Device();
  if (device == nullptr) {
    return context.Simulated() ? kFailure : kUsageError;
  }
  device->ClearFaults();
  return kSuccess;
}

void AddKind(CLI::App& group, Context& context, const FaultKind& kind) {
  CLI::App* command = group.add_subcommand(kind.word, kind.help);
  auto arming = std::make_shared<Arming>();
  arming->rule.fault = kind.fault;
  command
      ->add_option("COMMAND", arming->rule.command,
                   "Only this command (IF, RM, WM, RE, WE); any when left out")
      ->check(CLI::IsMember({"IF", "RM", "WM", "RE", "WE"}));
  command->add_option("--address", arming->rule.address, "Only at this memory or EEPROM address")
      ->check(CLI::Range(0, 65535));
  command->add_option("--after", arming->rule.after, "Let this many matching exchanges pass first")
      ->check(CLI::NonNegativeNumber);
  command->add_option("--times", arming->times,
                      "Matching exchanges to strike: a count (default 1) or \"always\"");
  if (kind.fault == sim::Fault::SplitReply) {
    command->add_option("--at", arming->rule.splitAt, "Bytes in the first piece (default 1)")
        ->check(CLI::PositiveNumber);
    command->add_option("--gap", arming->gap,
                        "Delay of the second piece: 300ms, 2s, 1500us (default 0)");
  } else if (kind.fault == sim::Fault::SurplusBytes) {
    command->add_option("--count", arming->rule.surplusCount, "How many extra bytes (default 1)")
        ->check(CLI::Range(1, 4096));
  } else if (kind.fault == sim::Fault::Late) {
    command->add_option("DELAY,--by", arming->late,
                        "How late the reply leaves: 300ms (the default), 2s, 1500us");
  } else if (kind.fault == sim::Fault::CorruptReadBack) {
    command->add_option("--byte", arming->rule.corruptAt, "The data byte flipped (default 0)")
        ->check(CLI::Range(0, 63));
  }
  SetAction(*command, context, std::string("sim fault ") + kind.word,
            [&context, arming] { return Arm(context, *arming); });
}

}  // namespace

void AddSimFaultCommands(CLI::App& sim, Context& context) {
  CLI::App* group = sim.add_subcommand(
      "fault",
      "Arm, list or clear the simulated device's faults; a program holding the device "
      "meets them at its next exchange");
  group->require_subcommand(1);
  for (const FaultKind& kind : kKinds) {
    AddKind(*group, context, kind);
  }
  CLI::App* list = group->add_subcommand("list", "Show the armed faults, one per line");
  SetAction(*list, context, "sim fault list", [&context] { return List(context); });
  CLI::App* clear = group->add_subcommand("clear", "Disarm every fault");
  SetAction(*clear, context, "sim fault clear", [&context] { return Clear(context); });
}

}  // namespace nimbo::cli

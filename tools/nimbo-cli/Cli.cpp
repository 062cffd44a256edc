#include "Cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <optional>
#include <ostream>
#include <utility>

#include "Commands.h"
#include "UsageErrorText.h"

namespace nimbo::cli {
namespace {

constexpr const char* kDescription =
    "Speaks to a NIMBO device from a terminal: its settings, its LED matrix text, its firmware\n"
    "version, and the simulated device that stands in for one.";

// The deepest command the parser reached, and its name: "settings write".
std::pair<CLI::App*, std::string> ParsedCommand(CLI::App& app) {
  std::string path;
  CLI::App* at = &app;
  while (true) {
    const std::vector<CLI::App*> parsed = at->get_subcommands();
    if (parsed.empty()) {
      return {at, path};
    }
    at = parsed.front();
    path += path.empty() ? "" : " ";
    path += at->get_name();
  }
}

bool IsGlobalOption(const std::string& word) {
  return word == "--simulate" || word.starts_with("--simulate=") || word == "--trace" ||
         word == "--real-time";
}

// A word as a shell takes it back: as it is, or in single quotes.
std::string ShellWord(const std::string& word) {
  if (!word.empty() && word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                              "0123456789_-+=.,/:@%") == std::string::npos) {
    return word;
  }
  std::string quoted = "'";
  for (const char c : word) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

// A global option after the command would be taken for one of the
// command's, or for its text; returns the command line with the global
// options in their place when one is.
std::optional<std::string> MisplacedGlobalOptions(const std::vector<std::string>& args) {
  const auto end = std::find(args.begin(), args.end(), "--");
  const auto command =
      std::find_if(args.begin(), end, [](const std::string& a) { return !a.starts_with("-"); });
  if (std::find_if(command, end, IsGlobalOption) == end) {
    return std::nullopt;
  }
  std::string globals;
  std::string rest;
  for (auto at = args.begin(); at != args.end(); ++at) {
    std::string& to = at < end && (at < command || IsGlobalOption(*at)) ? globals : rest;
    to += " " + ShellWord(*at);
  }
  return "nimbo-cli" + globals + rest;
}

// The commands that take a text as one argument.
bool TakesText(const std::string& group, const std::string& command) {
  return group == "matrix" && (command == "write" || command == "set" || command == "check");
}

// A text that begins with '-' would be taken for options ("-hello-" asks
// for help); it must follow "--". Returns the command and the argument when
// one does not.
std::optional<std::pair<std::string, std::string>> DashedText(
    const std::vector<std::string>& args) {
  const auto end = std::find(args.begin(), args.end(), "--");
  const auto group =
      std::find_if(args.begin(), end, [](const std::string& a) { return !a.starts_with("-"); });
  if (group == end || group + 1 == end || !TakesText(*group, *(group + 1))) {
    return std::nullopt;
  }
  for (auto at = group + 2; at != end; ++at) {
    if (at->size() > 1 && at->starts_with("-") && *at != "-h" && *at != "--help") {
      return std::make_pair(*group + " " + *(group + 1), *at);
    }
  }
  return std::nullopt;
}

// CLI11 cannot tell "--simulate" from "--simulate=", and an empty state file
// name is a mistake, not a request for a device without one.
bool HasEmptyStateFile(const std::vector<std::string>& args) {
  const auto end = std::find(args.begin(), args.end(), "--");
  return std::find(args.begin(), end, "--simulate=") != end;
}

}  // namespace

void SetAction(CLI::App& command, Context& context, std::string path, std::function<int()> action) {
  command.callback([&context, path = std::move(path), action = std::move(action)] {
    context.Select(path, action);
  });
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           bool outIsTerminal) {
  Context context(out, err, outIsTerminal);
  return RunCli(args, context);
}

int RunCli(const std::vector<std::string>& args, Context& context) {
  CLI::App app(kDescription, "nimbo-cli");
  // "/tmp/x" is a file name on every system, never a Windows-style option.
  app.allow_windows_style_options(false);
  app.require_subcommand(1);

  backend::BackendOptions& link = context.LinkOptions();
  std::string stateFile;
  CLI::Option* simulate =
      app.add_option("--simulate", stateFile,
                     "Talk to the simulated device instead of the USB interface; with =STATE, "
                     "the device lives in the file STATE, shared with nimbo-control "
                     "--simulate=STATE")
          ->expected(0, 1)
          ->type_name("[=STATE]");
  app.add_flag("--real-time", link.realTime,
               "The simulated device answers in real time, as the hardware does, not at once");
  bool trace = false;
  app.add_flag("--trace", trace, "Write every frame and reply as hex to the error stream");

  AddInfoCommand(app, context);
  AddSettingsCommands(app, context);
  AddBackupCommands(app, context);
  AddMatrixCommands(app, context);
  AddSimCommands(app, context);
  AddFlashCommand(app, context);
  AddVerifyCommand(app, context);
  AddFwuInfoCommand(app, context);
  AddMemoryCommands(app, context);

  if (HasEmptyStateFile(args)) {
    return context.Fail("--simulate= needs the name of a state file", kUsageError);
  }
  if (const auto corrected = MisplacedGlobalOptions(args)) {
    return context.Fail("global options go before the command: " + *corrected, kUsageError);
  }
  if (const auto dashed = DashedText(args)) {
    context.SetCommand(dashed->first);
    return context.Fail("'" + dashed->second +
                            "' would be taken for options; to give a text that begins with '-', "
                            "put -- before it: nimbo-cli " +
                            dashed->first + " -- " + dashed->second,
                        kUsageError);
  }
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    context.Out() << app.help();
    return kSuccess;
  } catch (const CLI::CallForAllHelp&) {
    context.Out() << app.help("", CLI::AppFormatMode::All);
    return kSuccess;
  } catch (const CLI::ParseError& error) {
    const auto [at, path] = ParsedCommand(app);
    context.SetCommand(path);
    context.Fail(UsageErrorText(*at, error, "nimbo-cli" + (path.empty() ? "" : " " + path))
                     .value_or(error.what()),
                 kUsageError);
    context.Err() << "Try 'nimbo-cli " << (path.empty() ? "" : path + " ")
                  << "--help' for more information.\n";
    return kUsageError;
  }
  link.simulate = link.simulate || simulate->count() > 0;
  if (!stateFile.empty()) {
    link.stateFile = stateFile;
  }
  if (trace) {
    link.trace = &context.Err();
  }
  const int status = context.PrintedStatus(context.RunSelected());
  context.CloseLink();
  return context.FinalStatus(status);
}

}  // namespace nimbo::cli

#include "Cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <ostream>

#include "Commands.h"

namespace nimbo::cli {
namespace {

constexpr const char* kDescription =
    "Speaks to a NIMBO device from a terminal: its settings, its LED matrix text, its firmware\n"
    "version, and the simulated device that stands in for one.";

// The names of the subcommands the parser reached, "settings write".
std::string ParsedPath(CLI::App& app) {
  std::string path;
  CLI::App* at = &app;
  while (true) {
    const std::vector<CLI::App*> parsed = at->get_subcommands();
    if (parsed.empty()) {
      return path;
    }
    at = parsed.front();
    path += path.empty() ? "" : " ";
    path += at->get_name();
  }
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
  AddFwuInfoCommand(app, context);
  AddMemoryCommands(app, context);

  if (HasEmptyStateFile(args)) {
    return context.Fail("--simulate= needs the name of a state file", kUsageError);
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
    const std::string path = ParsedPath(app);
    context.SetCommand(path);
    context.Fail(error.what(), kUsageError);
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
  const int status = context.RunSelected();
  context.CloseLink();
  return status;
}

}  // namespace nimbo::cli

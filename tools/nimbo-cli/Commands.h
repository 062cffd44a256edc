// The commands of nimbo-cli. Each file adds its subcommands to the program's
// command line; adding a command is one file plus one line in Cli.cpp.
//
// A command's action runs once the whole command line has been parsed. It
// returns the exit status: kSuccess, kFailure after a message from
// Context::Fail, or kUsageError for arguments its options could not check.
#pragma once

#include <functional>
#include <string>

#include "Context.h"

namespace CLI {
class App;
}

namespace nimbo::cli {

void AddInfoCommand(CLI::App& app, Context& context);       // info
void AddSettingsCommands(CLI::App& app, Context& context);  // settings read|write|show|defaults
void AddBackupCommands(CLI::App& app, Context& context);    // settings backup|restore
void AddMatrixCommands(CLI::App& app, Context& context);    // matrix read|write|check
void AddSimCommands(CLI::App& app, Context& context);       // sim mode|version|factory|fault
void AddFlashCommand(CLI::App& app, Context& context);      // flash FILE [--reset-matrix]
void AddVerifyCommand(CLI::App& app, Context& context);     // verify FILE [--reset-matrix]
void AddFwuInfoCommand(CLI::App& app, Context& context);    // fwu-info FILE
void AddMemoryCommands(CLI::App& app, Context& context);    // memory read
void AddSimFaultCommands(CLI::App& sim, Context& context);  // sim fault KIND|list|clear

// Makes `command` run `action` under the name `path` once parsing is done.
void SetAction(CLI::App& command, Context& context, std::string path, std::function<int()> action);

}  // namespace nimbo::cli

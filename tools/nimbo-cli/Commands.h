// The command groups of nimbo-cli. main.cpp parses the options, builds the
// link and dispatches on the first word; each group lives in its own file.
#pragma once

#include <iosfwd>
#include <span>
#include <string>

#include "link/NimboModule.h"

namespace nimbo::cli {

struct Context {
  NIMBOmodule& module;
  std::ostream& out;  // results
  std::ostream& err;  // failure messages, one line each
};

// Each returns the process exit status: 0 on success, non-zero on failure
// after writing a one-line message to `err`. `args` excludes the group word.
int RunInfoCommand(Context& context, std::span<const std::string> args);      // "info"
int RunSettingsCommand(Context& context, std::span<const std::string> args);  // "settings ..."
int RunMatrixCommand(Context& context, std::span<const std::string> args);    // "matrix ..."

// Opens the link if it is closed; on failure writes "STEP failed (LinkStatus N)"
// style message naming `step` and returns false.
bool EnsureLink(Context& context);
// Writes "<step> failed (LinkStatus N)" and returns 1.
int ReportLinkFailure(Context& context, const std::string& step);

}  // namespace nimbo::cli

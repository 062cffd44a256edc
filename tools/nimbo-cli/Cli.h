// nimbo-cli as a function: parses the command line, runs the one command it
// names and returns the exit status (0 success, 1 failure, 2 usage error,
// 128 + N after stop request N held during a device write).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace nimbo::cli {

// `args` excludes the program name. `outIsTerminal`: results go to a
// terminal, where control characters in device text are shown escaped.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           bool outIsTerminal);

class Context;
// The same on the link `context` holds (link options on the command line
// then only apply to a link the context still has to build).
int RunCli(const std::vector<std::string>& args, Context& context);

}  // namespace nimbo::cli

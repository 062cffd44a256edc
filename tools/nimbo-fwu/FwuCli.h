// nimbo-fwu as a function: parses the command line, runs the one command it
// names and returns the exit status (0 success, 1 failure, 2 usage error),
// with nimbo-cli's conventions for help and messages.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace nimbo::fwu {

// `args` excludes the program name. "-" as an output name writes to `out`.
int RunFwu(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace nimbo::fwu

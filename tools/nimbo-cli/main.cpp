// nimbo-cli: the device operations from a terminal, for scripts, tests and
// trying the program without a window.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "Cli.h"
#include "StopSignals.h"

int main(int argc, char** argv) {
  nimbo::cli::IgnoreBrokenPipe();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const int status = nimbo::cli::RunCli(args, std::cout, std::cerr, ::isatty(STDOUT_FILENO) == 1);
  std::cout.flush();
  // A success whose output could not be written is not one; any other status stands.
  return status == 0 && !std::cout ? 1 : status;
}

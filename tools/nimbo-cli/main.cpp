// nimbo-cli: the device operations from a terminal, for scripts, tests and
// trying the program without a window.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "Cli.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const int status = nimbo::cli::RunCli(args, std::cout, std::cerr, ::isatty(STDOUT_FILENO) == 1);
  std::cout.flush();
  return std::cout ? status : 1;
}

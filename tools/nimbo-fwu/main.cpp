// nimbo-fwu: encodes a firmware image into a firmware update file, decodes
// one back, or writes the sample update.
#include <iostream>
#include <string>
#include <vector>

#include "FwuCli.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const int status = nimbo::fwu::RunFwu(args, std::cout, std::cerr);
  std::cout.flush();
  return std::cout ? status : 1;
}

// nimbo-fwu: encodes a firmware image into a firmware update file, decodes
// one back, or writes the sample update.
#include <iostream>

#include "FwuCli.h"
#include "link/platform/Console.h"
#include "link/platform/StopNotifier.h"

int main(int argc, char** argv) {
  using namespace nimbo;
  platform::UseUtf8Console();  // and an update written to "-" leaves as it is
  platform::EndOnStopRequests();
  const int status = fwu::RunFwu(platform::ProgramArguments(argc, argv), std::cout, std::cerr);
  std::cout.flush();
  return std::cout ? status : 1;
}

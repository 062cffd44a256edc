// nimbo-cli: the device operations from a terminal, for scripts, tests and
// trying the program without a window.
#include <iostream>

#include "Cli.h"
#include "StopSignals.h"
#include "link/platform/Console.h"
#include "link/platform/StopNotifier.h"

int main(int argc, char** argv) {
  using namespace nimbo;
  platform::UseUtf8Console();
  cli::IgnoreBrokenPipe();
  platform::EndOnStopRequests();
  const int status = cli::RunCli(platform::ProgramArguments(argc, argv), std::cout, std::cerr,
                                 platform::IsTerminal(platform::StandardStream::Output));
  std::cout.flush();
  // A success whose output could not be written is not one; any other status stands.
  cli::ExitWith(status == 0 && !std::cout ? 1 : status);
}

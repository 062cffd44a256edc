// Runs a program with an emulated FT232R plugged in, the simulated NIMBO
// device (factory contents) behind it: the way a test runs nimbo-cli "with
// hardware". Test-only; needs the umockdev preload in its environment, which
// the program inherits.
//
// usage: emulated-run [--update-mode] [--refuse-open] [--unplug-during-read=NTH_WRITE]
//                     [--speed=TIMES_REAL_TIME] -- PROGRAM [ARGS...]
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "link/ftdi/EmulatedUsbBus.h"

extern char** environ;

int main(int argc, char** argv) {
  using nimbo::ftdi::test::EmulatedUsbBus;
  bool updateMode = false;
  bool refuseOpen = false;
  int unplugAtRead = 0;
  int speed = 1;
  int index = 1;
  for (; index < argc && std::strcmp(argv[index], "--") != 0; ++index) {
    const std::string arg = argv[index];
    if (arg == "--update-mode") {
      updateMode = true;
    } else if (arg == "--refuse-open") {
      refuseOpen = true;
    } else if (arg.starts_with("--unplug-during-read=")) {
      unplugAtRead = std::atoi(arg.c_str() + arg.find('=') + 1);
    } else if (arg.starts_with("--speed=")) {
      speed = std::max(1, std::atoi(arg.c_str() + arg.find('=') + 1));
    } else {
      std::fprintf(stderr, "emulated-run: unknown option %s\n", arg.c_str());
      return 2;
    }
  }
  if (index + 1 >= argc) {
    std::fprintf(stderr, "usage: emulated-run [OPTIONS] -- PROGRAM [ARGS...]\n");
    return 2;
  }
  if (!EmulatedUsbBus::Preloaded()) {
    std::fprintf(stderr, "emulated-run: needs LD_PRELOAD=libumockdev-preload.so.0\n");
    return 2;
  }
  EmulatedUsbBus bus(speed);
  nimbo::sim::SimulatedDevice device(bus.Time());
  device.LoadFactoryContents();
  if (updateMode) {
    device.CurrentMode() = nimbo::sim::Mode::Update;
  }
  const int chip = bus.Plug("FT232R USB UART", &device);
  if (refuseOpen) {
    bus.RefuseOpen(chip);
  }
  if (unplugAtRead > 0) {
    bus.UnplugDuringRead(chip, unplugAtRead);
  }
  pid_t child = 0;
  if (posix_spawn(&child, argv[index + 1], nullptr, nullptr, argv + index + 1, environ) != 0) {
    std::perror("emulated-run: cannot start the program");
    return 2;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
  }
  if (WIFSIGNALED(status)) {
    std::fprintf(stderr, "emulated-run: the program died of signal %d\n", WTERMSIG(status));
    return 128 + WTERMSIG(status);
  }
  return WEXITSTATUS(status);
}

// The simulated device kept in a state file: a full firmware-sized write
// sequence (450 blocks of 64 bytes written with "WM" and verified with "RM")
// with every acknowledged block in the file before its acknowledgement.
//
// Real time is the figure that matters here: what a person waits for, on a
// virtual device clock, when the device writes through to its file.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "link/NimboModule.h"
#include "link/UserInterface.h"
#include "link/backend/Backend.h"

namespace {

constexpr int kBlocks = 450;
constexpr std::int32_t kFirstAddress = 0x0020;
constexpr std::int32_t kAddressUnitsPerBlock = 32;

void BM_StateFileFlash450(benchmark::State& state) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                     ("nimbo-bench-" + std::to_string(::getpid()) + ".state");
  std::filesystem::remove(file);
  nimbo::backend::BackendOptions options;
  options.simulate = true;
  options.realTime = false;
  options.stateFile = file.string();
  std::string error;
  const auto backend = nimbo::backend::MakeBackend(options, error);
  if (!backend) {
    state.SkipWithError(error.c_str());
    return;
  }
  nimbo::SilentUserInterface ui;
  nimbo::NIMBOmodule module(backend->Transport(), ui);
  module.SizeSharedArrays();
  module.OpenLink();
  int round = 0;
  for (auto _ : state) {
    ++round;
    for (int block = 0; block < kBlocks && module.LinkStatus == 0; ++block) {
      for (std::size_t i = 0; i < nimbo::kBlockSize; ++i) {
        module.BlockOut[i] = static_cast<std::uint8_t>(i * 7 + block + round);
      }
      module.BlockAddress = kFirstAddress + block * kAddressUnitsPerBlock;
      module.WriteMemoryBlock();
      if (module.LinkStatus == 0) {
        module.VerifyMemoryBlock();
      }
    }
    if (module.LinkStatus != 0) {
      state.SkipWithError("a block failed");
      break;
    }
    backend->Device()->ClearTrace();
  }
  module.CloseLink();
  std::filesystem::remove(file);
}

}  // namespace

BENCHMARK(BM_StateFileFlash450)->Unit(benchmark::kMillisecond)->UseRealTime();

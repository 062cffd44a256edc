// The device operations as the windows use them, against the simulated
// device's timing model.
//
// sim_ms: time one workload takes on the device's timing model (virtual
// clock: wire time, latency timer, USB packets). wire_ms: the bytes on the
// wire both ways at 80 us each (10 bits at 125000 baud), the floor no link
// can beat. cpu_per_exchange: the host's own CPU time for one frame and its
// reply.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>

#include "SimulatedRig.h"

namespace {

using nimbo::bench::kMicrosPerWireByte;
constexpr std::int32_t kMatrixAddress = 0x2000;  // the LED Matrix String's copy
constexpr std::int32_t kFirmwareAddress = 0x0020;
constexpr std::int32_t kAddressUnitsPerBlock = 32;

// Frame plus reply, in bytes, of each exchange.
constexpr int kEepromExchangeBytes = 9;   // "RE": 4 + 5; "WE": 6 + 3
constexpr int kReadBlockBytes = 4 + 68;   // "RM"
constexpr int kWriteBlockBytes = 69 + 3;  // "WM"

struct LinkRig : nimbo::bench::SimulatedRig {
  LinkRig() {
    for (std::size_t i = 0; i < nimbo::kBlockSize; ++i) {
      module.BlockOut[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
  }

  void SelectBlock(std::int32_t first, int index) {
    module.BlockAddress = first + index * kAddressUnitsPerBlock;
    module.BlockOffset = index * static_cast<std::int32_t>(nimbo::kBlockSize);
  }
};

struct Workload {
  int exchanges;  // frames sent per run
  int wireBytes;  // bytes on the wire per run, both ways
  std::function<void(LinkRig&)> run;
};

void RunWorkload(benchmark::State& state, const Workload& workload) {
  LinkRig rig;
  if (rig.module.LinkStatus != 0) {
    state.SkipWithError("the simulated link did not open");
    return;
  }
  nimbo::Micros simulated = 0;
  for (auto _ : state) {
    const nimbo::Micros start = rig.clock.Now();
    workload.run(rig);
    simulated += rig.clock.Now() - start;
    if (rig.module.LinkStatus != 0) {
      state.SkipWithError("a device operation failed");
      return;
    }
    rig.device.ClearTrace();  // keeps memory flat over many runs
  }
  state.counters["sim_ms"] = benchmark::Counter(static_cast<double>(simulated) / 1000.0,
                                                benchmark::Counter::kAvgIterations);
  state.counters["wire_ms"] = workload.wireBytes * kMicrosPerWireByte / 1000.0;
  state.counters["cpu_per_exchange"] = benchmark::Counter(
      static_cast<double>(workload.exchanges),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

enum class Pass { Read, WriteVerify };

// Moves `blocks` consecutive blocks from `first`, as the windows do.
void BlockLoop(LinkRig& rig, std::int32_t first, int blocks, Pass pass) {
  for (int index = 0; index < blocks && rig.module.LinkStatus == 0; ++index) {
    rig.SelectBlock(first, index);
    if (pass == Pass::Read) {
      rig.module.ReadMemoryBlock();
      continue;
    }
    rig.module.WriteMemoryBlock();
    if (rig.module.LinkStatus == 0) {
      rig.module.VerifyMemoryBlock();
    }
  }
}

void BM_ReadEeprom68(benchmark::State& state) {
  RunWorkload(state,
              {68, 68 * kEepromExchangeBytes, [](LinkRig& rig) { rig.module.ReadEeprom(); }});
}

void BM_WriteEeprom68(benchmark::State& state) {
  RunWorkload(state,
              {68, 68 * kEepromExchangeBytes, [](LinkRig& rig) { rig.module.WriteEeprom(); }});
}

void BM_ReadMemory24(benchmark::State& state) {
  RunWorkload(state, {24, 24 * kReadBlockBytes,
                      [](LinkRig& rig) { BlockLoop(rig, kMatrixAddress, 24, Pass::Read); }});
}

void BM_WriteVerifyMemory24(benchmark::State& state) {
  RunWorkload(state, {48, 24 * (kWriteBlockBytes + kReadBlockBytes),
                      [](LinkRig& rig) { BlockLoop(rig, kMatrixAddress, 24, Pass::WriteVerify); }});
}

void BM_WriteVerifyMemory450(benchmark::State& state) {
  RunWorkload(state, {900, 450 * (kWriteBlockBytes + kReadBlockBytes), [](LinkRig& rig) {
                        BlockLoop(rig, kFirmwareAddress, 450, Pass::WriteVerify);
                      }});
}

}  // namespace

BENCHMARK(BM_ReadEeprom68)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteEeprom68)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadMemory24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteVerifyMemory24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteVerifyMemory450)->Unit(benchmark::kMillisecond);

// The LED Matrix String's 24-block read and its store (write + verify)
// against the simulated device's timing model.
//
// sim_ms is the time the transfer takes on the device's timing model (virtual
// clock); wire_ms is the lower bound set by the bytes on the wire both ways at
// 80 us per byte (10 bits at 125000 baud). The benchmark's own times are the
// host's CPU cost of one whole transfer.
#include <benchmark/benchmark.h>

#include <cstddef>

#include "SimulatedRig.h"
#include "ledmatrix/MatrixString.h"
#include "ledmatrix/MatrixTransfer.h"

namespace {

using nimbo::bench::kMicrosPerWireByte;
constexpr std::size_t kTraceLimit = 100000;  // entries kept before the trace is emptied

struct MatrixRig : nimbo::bench::SimulatedRig {
  std::size_t WireBytes() const {
    std::size_t bytes = 0;
    for (const auto& entry : device.Trace()) {
      bytes += entry.bytes.size();
    }
    return bytes;
  }
};

// Runs `transfer` once per iteration and reports the simulated and wire times.
template <typename Transfer>
void RunTransfer(benchmark::State& state, MatrixRig& rig, Transfer transfer) {
  rig.device.ClearTrace();
  transfer(rig.module);
  if (rig.module.LinkStatus != 0) {
    state.SkipWithError("transfer failed");
    return;
  }
  const std::size_t wireBytes = rig.WireBytes();
  nimbo::Micros simulated = 0;
  for (auto _ : state) {
    const nimbo::Micros start = rig.clock.Now();
    transfer(rig.module);
    simulated += rig.clock.Now() - start;
    if (rig.device.Trace().size() > kTraceLimit) {
      state.PauseTiming();
      rig.device.ClearTrace();
      state.ResumeTiming();
    }
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["sim_ms"] = static_cast<double>(simulated) / iterations / 1000.0;
  state.counters["wire_ms"] = static_cast<double>(wireBytes) * kMicrosPerWireByte / 1000.0;
  state.counters["wire_bytes"] = static_cast<double>(wireBytes);
}

void BM_MatrixRead(benchmark::State& state) {
  MatrixRig rig;
  RunTransfer(state, rig, [](nimbo::NIMBOmodule& module) {
    nimbo::ledmatrix::GetMatrixStringButton_Click(module);
  });
}
BENCHMARK(BM_MatrixRead)->Unit(benchmark::kMicrosecond);

void BM_MatrixStore(benchmark::State& state) {
  MatrixRig rig;
  if (!nimbo::ledmatrix::EncodeMatrixString(rig.module, "%S5%C00FF00NIMBO %B2matrix bench%E")) {
    state.SkipWithError("encode refused");
    return;
  }
  RunTransfer(state, rig, [](nimbo::NIMBOmodule& module) {
    nimbo::ledmatrix::StoreMatrixStringButton_Click(module);
  });
}
BENCHMARK(BM_MatrixStore)->Unit(benchmark::kMicrosecond);

}  // namespace

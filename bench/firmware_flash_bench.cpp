// A whole firmware update against the simulated device.
//
// BM_FirmwareFlash: one flash of the 450 program blocks (device check not
// counted, LED text not stored back). sim_ms is its duration on the
// device's timing model (virtual clock); wire_ms the lower bound set by the
// bytes on the wire both ways at 80 us per byte; the benchmark's own times
// are the host's CPU cost of one flash.
//
// BM_FirmwareVerify: `verify` of a flashed device against its image, all 450
// blocks compared (sim_ms), beside the read-back half of a flash: the 450
// verify reads it makes after its writes (readback_ms), on the same timing
// model; ratio = sim_ms / readback_ms.
//
// BM_FirmwareFlashSoak: 10,000 check-and-flash runs against a device that
// misbehaves at random (seeded), with fresh program data each run. Prints
// how they ended; a false success (a flash reported complete while the
// device holds anything but the image, the kept LED text aside) must never
// appear.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "SimulatedRig.h"
#include "flasher/FirmwareCodec.h"
#include "flasher/FirmwareUpdate.h"
#include "flasher/SampleFirmware.h"
#include "flasher/VerifyFirmware.h"
#include "ledmatrix/MatrixString.h"
#include "ledmatrix/MatrixTransfer.h"
#include "link/Frames.h"

namespace {

using nimbo::bench::kMicrosPerWireByte;
namespace flasher = nimbo::flasher;

constexpr std::size_t kProgramDeviceIndex = 2 * 0x0020;  // two bytes an address
constexpr std::size_t kTextDeviceIndex = 2 * 0x2000;
constexpr std::size_t kTextBytes = 768;
constexpr std::size_t kTextImageOffset = 16392;  // image bytes at 0x2000..0x217F

// Remembers every message; the soak sorts failures by their first one.
class CountingUserInterface final : public nimbo::UserInterface {
 public:
  void ShowMessage(std::string_view text, std::string_view, nimbo::MessageIcon) override {
    messages.emplace_back(text);
  }
  void Beep() override {}
  void SetStatusText(std::string_view) override {}
  void SetProgress(int, int) override {}
  void ProcessEvents() override {}
  void Sleep(int) override {}
  std::vector<std::string> messages;
};

class AnsweringChooser final : public flasher::FirmwareFileChooser {
 public:
  explicit AnsweringChooser(std::string path) : path_(std::move(path)) {}
  std::optional<std::string> ChooseFirmwareFile() override { return path_; }

 private:
  std::string path_;
};

struct FlashRig : nimbo::bench::SimulatedRig {
  FlashRig()
      : path((std::filesystem::temp_directory_path() /
              ("nimbo-bench-" + std::to_string(::getpid()) + ".fwu"))
                 .string()),
        chooser(path) {
    module.SetUserInterface(counting);
    device.CurrentMode() = nimbo::sim::Mode::Update;
    device.Version() = 0x10;
    flasher::SizeFlasherArrays(module);
    nimbo::ledmatrix::GetMatrixStringButton_Click(module);
    view.SetOptions({flasher::FirmwareSource::Custom, flasher::MatrixStringReset::Yes});
  }
  ~FlashRig() { std::remove(path.c_str()); }

  void UseImage(const std::vector<std::uint8_t>& newImage) {
    image = newImage;
    const auto file = flasher::EncodeFirmwareBytes(image, 1);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
  }

  // Whether the device holds the image's program data, the text area
  // compared with `text` when given.
  bool DeviceHoldsImage(const std::vector<std::uint8_t>* text) const {
    const auto memory = device.Memory();
    for (std::size_t k = flasher::kProgramOffset; k < flasher::kProgramEnd; ++k) {
      const std::size_t at = kProgramDeviceIndex + k - flasher::kProgramOffset;
      const bool inText = at >= kTextDeviceIndex && at < kTextDeviceIndex + kTextBytes;
      const std::uint8_t expected =
          (text != nullptr && inText) ? (*text)[k - kTextImageOffset] : image[k];
      if (memory[at] != expected) {
        return false;
      }
    }
    return true;
  }

  std::size_t WireBytes() const {
    std::size_t bytes = 0;
    for (const auto& entry : device.Trace()) {
      bytes += entry.bytes.size();
    }
    return bytes;
  }

  CountingUserInterface counting;
  std::string path;
  AnsweringChooser chooser;
  flasher::PlainFlasherView view;
  flasher::FirmwareUpdate update{module, view, chooser};
  std::vector<std::uint8_t> image;
};

void BM_FirmwareFlash(benchmark::State& state) {
  FlashRig rig;
  rig.UseImage(flasher::SampleFirmwareImage());
  nimbo::Micros simulated = 0;
  std::size_t wireBytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const bool offered = rig.update.CheckDevice() == flasher::CheckResult::Offered;
    rig.device.ClearTrace();
    state.ResumeTiming();
    const nimbo::Micros start = rig.clock.Now();
    const auto outcome = offered ? rig.update.FlashFirmware() : flasher::FlashOutcome{};
    simulated += rig.clock.Now() - start;
    if (!offered || outcome.result != flasher::FlashResult::Completed) {
      state.SkipWithError("flash failed");
      return;
    }
    wireBytes = rig.WireBytes();
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["sim_ms"] = static_cast<double>(simulated) / iterations / 1000.0;
  state.counters["wire_ms"] = static_cast<double>(wireBytes) * kMicrosPerWireByte / 1000.0;
  state.counters["wire_bytes"] = static_cast<double>(wireBytes);
}
BENCHMARK(BM_FirmwareFlash)->Unit(benchmark::kMillisecond);

void BM_FirmwareVerify(benchmark::State& state) {
  FlashRig rig;
  rig.UseImage(flasher::SampleFirmwareImage());
  if (rig.update.CheckDevice() != flasher::CheckResult::Offered ||
      rig.update.FlashFirmware().result != flasher::FlashResult::Completed) {
    state.SkipWithError("flash failed");
    return;
  }
  nimbo::NIMBOmodule& m = rig.module;
  nimbo::Micros verify = 0;
  nimbo::Micros readBack = 0;
  for (auto _ : state) {
    nimbo::Micros start = rig.clock.Now();
    const auto outcome = flasher::VerifyFirmware(m, rig.image, flasher::MatrixStringReset::Yes);
    verify += rig.clock.Now() - start;
    if (outcome.result != flasher::VerifyResult::Equal || outcome.blocksCompared != 450) {
      state.SkipWithError("verify failed");
      return;
    }
    // The flash's own read-back: each block verified as its write left it.
    start = rig.clock.Now();
    for (int block = 0; block < 450; ++block) {
      m.BlockAddress = flasher::kProgramFirstAddress + block * flasher::kBlockAddressStep;
      const auto first =
          rig.image.begin() + static_cast<std::ptrdiff_t>(flasher::kProgramOffset + 64 * block);
      std::copy_n(first, 64, m.BlockOut.begin());
      m.BlockChecksum = nimbo::frames::Checksum(*nimbo::frames::SplitAddress(m.BlockAddress),
                                                std::span(m.BlockOut).first(64));
      m.VerifyMemoryBlock();
      if (m.LinkStatus != 0) {
        state.SkipWithError("read-back failed");
        return;
      }
    }
    readBack += rig.clock.Now() - start;
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["sim_ms"] = static_cast<double>(verify) / iterations / 1000.0;
  state.counters["readback_ms"] = static_cast<double>(readBack) / iterations / 1000.0;
  state.counters["ratio"] = static_cast<double>(verify) / static_cast<double>(readBack);
}
BENCHMARK(BM_FirmwareVerify)->Unit(benchmark::kMillisecond);

void BM_FirmwareFlashSoak(benchmark::State& state) {
  constexpr std::uint32_t kFlashes = 10000;
  for (auto _ : state) {
    FlashRig rig;
    std::vector<std::uint8_t> keptText(kTextBytes);
    {
      const std::vector<std::uint8_t> saved = rig.module.MemoryImage;
      static_cast<void>(nimbo::ledmatrix::EncodeMatrixString(rig.module, rig.module.MatrixString));
      std::copy_n(rig.module.MemoryImage.begin(), kTextBytes, keptText.begin());
      rig.module.MemoryImage = saved;
    }
    rig.device.SetRandomFaults({.seed = 20261206, .probability = 0.0015});
    int successes = 0;
    int falseSuccesses = 0;
    std::map<std::string, int> failures;  // by the first message shown
    for (std::uint32_t run = 0; run < kFlashes; ++run) {
      rig.counting.messages.clear();
      rig.clock.SleepUntil(rig.clock.Now() + 2'000'000);  // the next click, a while later
      rig.UseImage(flasher::SampleFirmwareImage(0x12, run + 1));
      const bool keepText = run % 2 == 0;
      rig.view.SetOptions({flasher::FirmwareSource::Custom, keepText
                                                                ? flasher::MatrixStringReset::No
                                                                : flasher::MatrixStringReset::Yes});
      const bool offered = rig.update.CheckDevice() == flasher::CheckResult::Offered;
      const auto outcome = offered ? rig.update.FlashFirmware() : flasher::FlashOutcome{};
      if (offered && outcome.result == flasher::FlashResult::Completed) {
        ++successes;
        if (!rig.DeviceHoldsImage(keepText ? &keptText : nullptr)) {
          ++falseSuccesses;
        }
      } else {
        ++failures[rig.counting.messages.empty() ? "(no message)" : rig.counting.messages.front()];
      }
      if (rig.device.Trace().size() > 100000) {
        rig.device.ClearTrace();
      }
    }
    std::printf("firmware flash soak: %u flashes, %d successes, %d false successes\n", kFlashes,
                successes, falseSuccesses);
    for (const auto& [message, count] : failures) {
      std::printf("  %6d failed with \"%s\"\n", count, message.c_str());
    }
    state.counters["flashes"] = kFlashes;
    state.counters["successes"] = successes;
    state.counters["false_successes"] = falseSuccesses;
  }
}
BENCHMARK(BM_FirmwareFlashSoak)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

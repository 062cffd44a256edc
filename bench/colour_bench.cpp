// Colour conversions per second: the per-pixel work of the wheel and the
// shades strip.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "colorpicker/HlsConversion.h"
#include "colorpicker/HsvConversion.h"

namespace {

using nimbo::colorpicker::ColorHLSToRGB;
using nimbo::colorpicker::ColorRGBToHLS;
using nimbo::colorpicker::HSVToRGB;
using nimbo::colorpicker::RgbColor;
using nimbo::colorpicker::RGBToHSV;

// One wheel-sized sweep per iteration, hue round the angle and saturation
// along the radius, as a wheel with luminance selected draws them.
constexpr int kSteps = 256;

void BM_HlsToRgb(benchmark::State& state) {
  for (auto _ : state) {
    std::uint32_t acc = 0;
    for (int i = 0; i < kSteps; ++i) {
      for (int j = 0; j < kSteps; ++j) {
        acc += ColorHLSToRGB(i * 240 / kSteps, 120, j * 240 / kSteps);
      }
    }
    benchmark::DoNotOptimize(acc);
  }
  state.SetItemsProcessed(state.iterations() * kSteps * kSteps);
}
BENCHMARK(BM_HlsToRgb);

void BM_HsvToRgb(benchmark::State& state) {
  for (auto _ : state) {
    std::uint32_t acc = 0;
    for (int i = 0; i < kSteps; ++i) {
      for (int j = 0; j < kSteps; ++j) {
        acc += HSVToRGB(i * (360.0 / kSteps), 100.0, j * (100.0 / kSteps));
      }
    }
    benchmark::DoNotOptimize(acc);
  }
  state.SetItemsProcessed(state.iterations() * kSteps * kSteps);
}
BENCHMARK(BM_HsvToRgb);

// Colours spread over the whole cube: a stride prime to 256 in every channel.
constexpr std::uint32_t kColourStride = 0x010307;
constexpr int kColours = kSteps * kSteps;

void BM_RgbToHls(benchmark::State& state) {
  for (auto _ : state) {
    int acc = 0;
    RgbColor c = 0;
    for (int i = 0; i < kColours; ++i) {
      acc += ColorRGBToHLS(c).hue;
      c = (c + kColourStride) & 0xFFFFFFu;
    }
    benchmark::DoNotOptimize(acc);
  }
  state.SetItemsProcessed(state.iterations() * kColours);
}
BENCHMARK(BM_RgbToHls);

void BM_RgbToHsv(benchmark::State& state) {
  for (auto _ : state) {
    double acc = 0;
    RgbColor c = 0;
    for (int i = 0; i < kColours; ++i) {
      double h = 0, v = 0, s = 0;
      RGBToHSV(c, h, v, s);
      acc += h + v + s;
      c = (c + kColourStride) & 0xFFFFFFu;
    }
    benchmark::DoNotOptimize(acc);
  }
  state.SetItemsProcessed(state.iterations() * kColours);
}
BENCHMARK(BM_RgbToHsv);

}  // namespace

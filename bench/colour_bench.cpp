// Colour conversions per second: the per-pixel work of the wheel and the
// shades strip; and the wheel itself: recolouring the colour picker dialog's
// wheel for a new slider value (target: at most 0.3 ms on one core, so a
// slider drag never drops a 60 Hz frame), the marker's search in the new
// picture, and building the wheel's per-pixel values.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <iterator>
#include <string>

#include "colorpicker/ColorState.h"
#include "colorpicker/HlsConversion.h"
#include "colorpicker/HsvConversion.h"
#include "colorpicker/WheelMarker.h"
#include "colorpicker/WheelRaster.h"

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

using nimbo::colorpicker::ColorState;
using nimbo::colorpicker::WheelRaster;

constexpr int kDialogWheel = 260;  // the dialog's wheel picture, pixels square

ColorState WheelState(std::int64_t system, std::int64_t selection) {
  ColorState s;
  s.ColorSystem = static_cast<std::int32_t>(system);
  s.SelectionParameter = static_cast<std::int32_t>(selection);
  s.SetParameterRanges();
  s.ApplyWheelMapping();
  return s;
}

std::string WheelLabel(const WheelRaster& raster) {
  return std::to_string(raster.Width()) + "x" + std::to_string(raster.Height()) + " px, " +
         std::to_string(raster.InsidePixels().size()) + " on the disc";
}

// Arguments: colour system (0 HSV, 1 HSL), selection parameter. The selected
// value changes every run, as a slider drag changes it.
void BM_WheelRecolour(benchmark::State& state) {
  const ColorState s = WheelState(state.range(0), state.range(1));
  WheelRaster raster;
  raster.Prepare(kDialogWheel, kDialogWheel, 0xF0F0F0);
  raster.Build(s);
  const int max = s.ParameterMax(s.SelectionParameter);
  int value = 0;
  for (auto _ : state) {
    raster.Recolour(s, value);
    value = value == max - 1 ? 0 : value + 1;
    benchmark::DoNotOptimize(raster.Pixels().data());
  }
  state.SetLabel(WheelLabel(raster));
  state.SetItemsProcessed(state.iterations() *
                          static_cast<std::int64_t>(raster.InsidePixels().size()));
}
BENCHMARK(BM_WheelRecolour)
    ->ArgNames({"system", "selection"})
    ->Args({0, 1})  // the dialog: HSV, value on the slider
    ->Args({0, 0})
    ->Args({0, 2})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({1, 2})
    ->Args({0, 3})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

void BM_BuildWheelImage(benchmark::State& state) {
  const ColorState s = WheelState(0, 1);
  WheelRaster raster;
  raster.Prepare(kDialogWheel, kDialogWheel, 0xF0F0F0);
  for (auto _ : state) {
    raster.Build(s);
    benchmark::DoNotOptimize(raster.Pixels().data());
  }
  state.SetLabel(WheelLabel(raster));
}
BENCHMARK(BM_BuildWheelImage)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// The marker's search for the pixel of the colour, which now follows every
// recolouring of the wheel (also the deferred one after a slider move): HSV
// with hue selected, colours at the centre, inside, on the rim and one that
// the picture does not hold (the search then runs through every tolerance).
void BM_MarkerSearch(benchmark::State& state) {
  ColorState s = WheelState(0, 0);
  WheelRaster raster;
  raster.Prepare(kDialogWheel, kDialogWheel, 0xF0F0F0);
  raster.Build(s);
  const nimbo::colorpicker::OleColor colours[] = {0xCC6633, 0x0000FF, 0x336699, 0x123456};
  std::size_t next = 0;
  for (auto _ : state) {
    const nimbo::colorpicker::OleColor colour = colours[next];
    next = (next + 1) % std::size(colours);
    double h = 0.0;
    nimbo::colorpicker::OleColor rgb = colour;
    s.RGBToSystem(rgb, h, s.L, s.S);
    s.H = h;
    raster.Recolour(s, s.H);
    benchmark::DoNotOptimize(nimbo::colorpicker::MarkerPosition(raster, s, colour));
  }
  state.SetLabel("recolour and search, " + WheelLabel(raster));
}
BENCHMARK(BM_MarkerSearch)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace

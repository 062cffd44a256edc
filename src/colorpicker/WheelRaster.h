// The colour wheel as plain 32-bit pixels: the disc and its rim, each inside
// pixel's axial and radial value (computed once per layout and selection), the
// recolouring from those values, and the lookups that picking and the marker
// use. Pixels are 0xFFRRGGBB, rows top to bottom, as a 32-bit QImage holds them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "colorpicker/ColorState.h"
#include "colorpicker/ColorValue.h"
#include "colorpicker/HlsConversion.h"
#include "colorpicker/WheelGeometry.h"

namespace nimbo::colorpicker {

constexpr std::uint32_t ToPixel(RgbColor c) {
  return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr RgbColor FromPixel(std::uint32_t p) {
  return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

struct PointF {
  double x = 0.0;
  double y = 0.0;
};

// An HSV channel is value * (1 - saturation * weight); the weights of the
// red, green and blue channels follow from the hue.
struct HsvWeights {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
};

// HSL's scale (0..240), the ramp positions 0..40 of its channels, and the
// spans 0..240 between its lower and upper level.
inline constexpr int kHlsScale = 240;
inline constexpr int kHlsRamps = 41;
inline constexpr int kHlsSpans = kHlsScale + 1;

// The rim is blended against the background over this many rings of pixels.
inline constexpr int kRimRings = 3;

class WheelRaster {
 public:
  // Geometry, disc, rim and background for a picture of width x height pixels.
  void Prepare(int width, int height, RgbColor background);
  // Each inside pixel's axial and radial value for the state's selection and
  // colour system, then the picture at the selected parameter's reference value.
  void Build(const ColorState& state);
  // Recolours every inside pixel with the selected parameter at selected, then
  // blends the rim into the background. Needs Build for the same selection.
  // HSV pixels are worked out in single precision: a channel may differ by one
  // step from the double-precision conversion where that lands on a half.
  void Recolour(const ColorState& state, double selected);

  int Width() const { return width_; }
  int Height() const { return height_; }
  const WheelGeometry& Geometry() const { return geometry_; }
  bool Built() const { return built_; }
  // What is shown, width * height pixels.
  const std::vector<std::uint32_t>& Pixels() const { return pixels_; }
  RgbColor Background() const { return background_; }

  // Pixel (floor x, floor y) inside the picture and on the disc.
  bool InsideWheel(double x, double y) const;
  // The wheel colour drawn at (floor x, floor y), before the rim blend; the
  // background outside the disc or the picture.
  RgbColor ColorAtPoint(double x, double y) const;
  // The pixel shown at (floor x, floor y), the rim blended; the background
  // outside the picture.
  RgbColor ShownColorAt(double x, double y) const;
  // The point on the rim on the ray from the centre through (x, y).
  PointF ClampToRim(double x, double y) const;

  const std::array<std::vector<std::int32_t>, kRimRings>& RimPixels() const { return rim_; }
  const std::array<std::vector<std::uint8_t>, kRimRings>& RimCoverage() const {
    return rimCoverage_;
  }
  // Per inside pixel, in the order of InsidePixels().
  const std::vector<std::int32_t>& InsidePixels() const { return insideIndex_; }
  const std::vector<float>& AxialValues() const { return axial_; }
  const std::vector<float>& RadialValues() const { return radial_; }

 private:
  // A row's run of disc pixels, x0..x1, whose first has this ordinal.
  struct Span {
    std::int32_t row = 0;
    std::int32_t x0 = 0;
    std::int32_t x1 = 0;
    std::int32_t first = 0;
  };

  std::int32_t OrdinalAt(double x, double y) const;
  // The colour of inside pixel `ordinal` at the last recoloured value.
  std::uint32_t PixelOf(std::size_t ordinal) const;
  std::uint32_t HlsHuePixel(std::size_t ordinal) const;
  std::uint32_t HlsPixel(std::size_t ordinal) const;
  void FillHlsHueTables(const HueRamps& ramps);
  void FillHlsTable(std::int32_t selection, int value);
  void RecolourSpans();
  void FindRimNeighbours();
  void BlendRim();

  int width_ = 0;
  int height_ = 0;
  WheelGeometry geometry_;
  RgbColor background_ = 0;
  bool built_ = false;
  std::int32_t builtSelection_ = -1;
  std::int32_t builtSystem_ = -1;

  // What the recolouring works from, per selection (see Build).
  struct Globals {
    double selected = 0.0;
    float value = 0.0f;  // the selected value or saturation scaled to 0..1
    HsvWeights weights;  // of the selected hue's sextant
    bool black = false;  // the selected hue is 360 or more
    int whole = 0;       // the selected value rounded (HSL) or as a byte (RGB)
  } globals_;

  std::vector<std::int32_t> ordinal_;  // per pixel: its place among the inside ones, or -1
  std::vector<std::int32_t> insideIndex_;
  std::vector<Span> spans_;
  std::vector<float> axial_;
  std::vector<float> radial_;
  // Per inside pixel, what stays fixed while the selected parameter changes.
  std::vector<float> fa_;
  std::vector<float> fb_;
  std::vector<float> fc_;
  std::vector<float> fd_;
  std::vector<std::int16_t> ia_;
  std::vector<std::int16_t> ib_;
  std::vector<std::int16_t> ic_;
  // HSL recolouring: per span of the levels, each channel's share above the
  // lower level (hue selected); or per saturation or luminance and ramp, the
  // channel's byte (luminance or saturation selected).
  std::array<std::array<std::uint8_t, kHlsSpans>, 3> hueShare_{};
  std::vector<std::uint8_t> hlsTable_;
  std::array<std::vector<std::int32_t>, kRimRings> rim_;
  std::array<std::vector<std::uint8_t>, kRimRings> rimCoverage_;
  // Per rim pixel, in ring order: its 3 x 3 neighbourhood (-1 off the disc)
  // and one over the weights on the disc.
  std::vector<std::int32_t> rimNeighbours_;
  std::vector<float> rimWeights_;
  std::vector<std::uint32_t> blended_;  // scratch for the rim
  std::vector<std::uint32_t> pixels_;
};

}  // namespace nimbo::colorpicker

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
  // Per inside pixel: what stays fixed while the selected parameter changes.
  struct Recipe {
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
    std::int32_t n = 0;
  };

  void RecolourHsv(const ColorState& state, double selected);
  void RecolourHsl(const ColorState& state, double selected);
  void RecolourRgb(const ColorState& state, double selected);
  void BlendRim();

  int width_ = 0;
  int height_ = 0;
  WheelGeometry geometry_;
  RgbColor background_ = 0;
  bool built_ = false;
  std::int32_t builtSelection_ = -1;
  std::int32_t builtSystem_ = -1;

  std::vector<std::uint8_t> inside_;
  std::vector<std::int32_t> insideIndex_;
  std::vector<float> axial_;
  std::vector<float> radial_;
  std::vector<Recipe> recipes_;
  std::array<std::vector<std::int32_t>, kRimRings> rim_;
  std::array<std::vector<std::uint8_t>, kRimRings> rimCoverage_;
  std::vector<std::uint32_t> colours_;  // the wheel colours before the rim blend
  std::vector<std::uint32_t> pixels_;
};

}  // namespace nimbo::colorpicker

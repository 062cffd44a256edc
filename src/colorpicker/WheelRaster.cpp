#include "colorpicker/WheelRaster.h"

#include <algorithm>
#include <cmath>

#include "colorpicker/HlsConversion.h"

namespace nimbo::colorpicker {

namespace {

// Adding and removing 1.5 * 2^52 rounds a double below 2^51 to the nearest
// whole number, halves to even, without leaving the vector registers.
inline int RoundByte(double v) {
  constexpr double kMagic = 6755399441055744.0;
  const double r = (v + kMagic) - kMagic;
  return static_cast<int>(std::clamp(r, 0.0, 255.0));
}

inline std::uint32_t PixelOf(int r, int g, int b) {
  return 0xFF000000u | (static_cast<std::uint32_t>(r) << 16) |
         (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

// The channels of an HSV colour from its sextant and the three ramps, as
// 0..1 fractions times 255.
inline std::uint32_t SextantPixel(std::int32_t sextant, double v, double p, double q, double t) {
  const int V = RoundByte(v * 255.0);
  const int P = RoundByte(p * 255.0);
  const int Q = RoundByte(q * 255.0);
  const int T = RoundByte(t * 255.0);
  switch (sextant) {
    case 0:
      return PixelOf(V, T, P);
    case 1:
      return PixelOf(Q, V, P);
    case 2:
      return PixelOf(P, V, T);
    case 3:
      return PixelOf(P, Q, V);
    case 4:
      return PixelOf(T, P, V);
    case 5:
      return PixelOf(V, P, Q);
    default:
      return PixelOf(0, 0, 0);  // a hue of 360 or more, as the conversion gives
  }
}

double ReferenceValue(const ColorState& s) {
  switch (s.SelectionParameter) {
    case kHue:
      return s.RefH;
    case kLuminance:
      return s.RefL;
    case kSaturation:
      return s.RefS;
    default:
      return 0.0;
  }
}

}  // namespace

void WheelRaster::Prepare(int width, int height, RgbColor background) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  geometry_ = GeometryFor(width_, height_);
  background_ = background & 0xFFFFFFu;
  built_ = false;
  const std::size_t count = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  inside_.assign(count, 0);
  insideIndex_.clear();
  for (auto& ring : rim_) {
    ring.clear();
  }
  for (auto& coverage : rimCoverage_) {
    coverage.clear();
  }
  colours_.assign(count, ToPixel(background_));
  pixels_.assign(count, ToPixel(background_));

  // A pixel is on the disc when some of it lies within Rad of the centre: its
  // centre is nearer than Rad + 0.5. The outer ring is covered in part, the two
  // inside it fully; all three are smoothed against their neighbours.
  const double rad = geometry_.Rad;
  if (rad <= 0) {
    return;
  }
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const double d = WheelRadius(x - geometry_.cx, geometry_.cy - y);
      const double cover = rad + 0.5 - d;
      if (cover <= 0.0) {
        continue;
      }
      const std::int32_t index = y * width_ + x;
      inside_[static_cast<std::size_t>(index)] = 1;
      insideIndex_.push_back(index);
      const int ring = cover < 1.0 ? 0 : static_cast<int>(std::floor(cover));
      if (ring < kRimRings) {
        rim_[static_cast<std::size_t>(ring)].push_back(index);
        const int c = ring == 0 ? std::max(1, RoundByte(cover * 255.0)) : 255;
        rimCoverage_[static_cast<std::size_t>(ring)].push_back(static_cast<std::uint8_t>(c));
      }
    }
  }
}

void WheelRaster::Build(const ColorState& state) {
  const WheelMapping mapping = MappingFor(state.SelectionParameter);
  const std::int32_t axialMax = state.ParameterMax(mapping.AxialParameter);
  const std::int32_t radialMax = state.ParameterMax(mapping.RadialParameter);
  const std::int32_t sel = state.SelectionParameter;
  const bool hsv = state.IsHsv();
  const std::size_t n = insideIndex_.size();
  axial_.resize(n);
  radial_.resize(n);
  recipes_.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::int32_t index = insideIndex_[i];
    const WheelPolar polar =
        WheelAngleRadius(index % width_, index / width_, geometry_.cx, geometry_.cy);
    const float axial = AxialPixelValue(polar.angle, axialMax);
    const double radial = RadialPixelValue(polar.radius, geometry_.D, radialMax);
    axial_[i] = axial;
    radial_[i] = static_cast<float>(radial);
    Recipe& r = recipes_[i];
    if (sel >= kRed) {
      r.a = ToByte(axial);
      r.b = ToByte(radial);
    } else if (!hsv) {
      r.a = RoundHalfEven(axial);
      r.b = RoundHalfEven(radial);
    } else if (sel == kHue) {
      r.a = axial / 100.0;   // value
      r.b = radial / 100.0;  // saturation
    } else {
      // Hue round the angle: its sextant and the fraction within it.
      const double h = static_cast<double>(axial) / 60.0;
      const double sextant = std::floor(h);
      const double f = h - sextant;
      r.n = static_cast<std::int32_t>(sextant);
      if (sel == kLuminance) {
        const double s = radial / 100.0;
        r.a = 1.0 - s;
        r.b = 1.0 - s * f;
        r.c = 1.0 - (1.0 - f) * s;
      } else {
        r.a = radial / 100.0;  // value
        r.b = f;
        r.c = radial;
      }
    }
  }
  built_ = true;
  builtSelection_ = sel;
  builtSystem_ = state.ColorSystem;
  Recolour(state, ReferenceValue(state));
}

void WheelRaster::Recolour(const ColorState& state, double selected) {
  if (!built_ || builtSelection_ != state.SelectionParameter || builtSystem_ != state.ColorSystem) {
    return;
  }
  if (state.SelectionParameter >= kRed) {
    RecolourRgb(state, selected);
  } else if (state.IsHsv()) {
    RecolourHsv(state, selected);
  } else {
    RecolourHsl(state, selected);
  }
  BlendRim();
}

void WheelRaster::RecolourHsv(const ColorState& state, double selected) {
  const std::size_t n = insideIndex_.size();
  std::uint32_t* colours = colours_.data();
  std::uint32_t* pixels = pixels_.data();
  const auto put = [&](std::size_t i, std::uint32_t pixel) {
    const auto index = static_cast<std::size_t>(insideIndex_[i]);
    colours[index] = pixel;
    pixels[index] = pixel;
  };
  switch (state.SelectionParameter) {
    case kHue: {
      const bool black = !(selected >= 0.0 && selected < 360.0);
      const double h = selected / 60.0;
      const double sextantD = std::floor(h);
      const double f = h - sextantD;
      const std::int32_t sextant = black ? -1 : static_cast<std::int32_t>(sextantD);
      for (std::size_t i = 0; i < n; ++i) {
        const double v = recipes_[i].a;
        const double s = recipes_[i].b;
        put(i,
            SextantPixel(sextant, v, (1.0 - s) * v, (1.0 - s * f) * v, (1.0 - (1.0 - f) * s) * v));
      }
      break;
    }
    case kLuminance: {
      const double v = selected / 100.0;
      for (std::size_t i = 0; i < n; ++i) {
        const Recipe& r = recipes_[i];
        put(i, SextantPixel(r.n, v, r.a * v, r.b * v, r.c * v));
      }
      break;
    }
    case kSaturation: {
      if (selected == 0.0) {
        for (std::size_t i = 0; i < n; ++i) {
          const int grey = RoundByte(recipes_[i].c * 255.0 / 100.0);
          put(i, PixelOf(grey, grey, grey));
        }
        break;
      }
      const double s = selected / 100.0;
      for (std::size_t i = 0; i < n; ++i) {
        const Recipe& r = recipes_[i];
        const double v = r.a;
        const double f = r.b;
        put(i, SextantPixel(r.n, v, (1.0 - s) * v, (1.0 - s * f) * v, (1.0 - (1.0 - f) * s) * v));
      }
      break;
    }
    default:
      break;
  }
}

void WheelRaster::RecolourHsl(const ColorState& state, double selected) {
  const int value = RoundClamped(selected, -32768, 32767);
  const std::int32_t sel = state.SelectionParameter;
  for (std::size_t i = 0; i < insideIndex_.size(); ++i) {
    const int a = static_cast<int>(recipes_[i].a);
    const int b = static_cast<int>(recipes_[i].b);
    RgbColor c = 0;
    if (sel == kHue) {
      c = ColorHLSToRGB(value, a, b);
    } else if (sel == kLuminance) {
      c = ColorHLSToRGB(a, value, b);
    } else {
      c = ColorHLSToRGB(a, b, value);
    }
    const auto index = static_cast<std::size_t>(insideIndex_[i]);
    colours_[index] = ToPixel(c);
    pixels_[index] = colours_[index];
  }
}

void WheelRaster::RecolourRgb(const ColorState& state, double selected) {
  const int value = ToByte(selected);
  const std::int32_t sel = state.SelectionParameter;
  for (std::size_t i = 0; i < insideIndex_.size(); ++i) {
    const int a = static_cast<int>(recipes_[i].a);
    const int b = static_cast<int>(recipes_[i].b);
    const std::uint32_t pixel = sel == kRed     ? PixelOf(value, a, b)
                                : sel == kGreen ? PixelOf(a, value, b)
                                                : PixelOf(a, b, value);
    const auto index = static_cast<std::size_t>(insideIndex_[i]);
    colours_[index] = pixel;
    pixels_[index] = pixel;
  }
}

void WheelRaster::BlendRim() {
  const double bg[3] = {static_cast<double>(BlueOf(background_)),
                        static_cast<double>(GreenOf(background_)),
                        static_cast<double>(RedOf(background_))};
  constexpr double kSelfWeight = 0.7;
  for (int ring = 0; ring < kRimRings; ++ring) {
    const auto& indices = rim_[static_cast<std::size_t>(ring)];
    const auto& coverage = rimCoverage_[static_cast<std::size_t>(ring)];
    for (std::size_t k = 0; k < indices.size(); ++k) {
      const std::int32_t index = indices[k];
      const int x = index % width_;
      const int y = index / width_;
      // The pixel itself is on the disc, so the weights never sum to zero.
      double sum[3] = {0, 0, 0};
      double weight = 0.0;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx;
          const int ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= width_ || ny >= height_) {
            continue;
          }
          const auto n = static_cast<std::size_t>(ny * width_ + nx);
          if (!inside_[n]) {
            continue;
          }
          const double w = (dx == 0 && dy == 0) ? kSelfWeight : 1.0;
          const std::uint32_t p = colours_[n];
          sum[0] += w * (p & 0xFFu);
          sum[1] += w * ((p >> 8) & 0xFFu);
          sum[2] += w * ((p >> 16) & 0xFFu);
          weight += w;
        }
      }
      const double c = coverage[k];
      int out[3];
      for (int ch = 0; ch < 3; ++ch) {
        const double average = sum[ch] / weight;
        out[ch] = RoundByte(bg[ch] * (255.0 - c) / 255.0 + average * c / 255.0);
      }
      pixels_[static_cast<std::size_t>(index)] = PixelOf(out[2], out[1], out[0]);
    }
  }
}

bool WheelRaster::InsideWheel(double x, double y) const {
  const double fx = std::floor(x);
  const double fy = std::floor(y);
  if (!(fx >= 0 && fy >= 0 && fx < width_ && fy < height_)) {
    return false;
  }
  return inside_[static_cast<std::size_t>(fy) * static_cast<std::size_t>(width_) +
                 static_cast<std::size_t>(fx)] != 0;
}

RgbColor WheelRaster::ColorAtPoint(double x, double y) const {
  const double fx = std::floor(x);
  const double fy = std::floor(y);
  if (!(fx >= 0 && fy >= 0 && fx < width_ && fy < height_)) {
    return background_;
  }
  return FromPixel(colours_[static_cast<std::size_t>(fy) * static_cast<std::size_t>(width_) +
                            static_cast<std::size_t>(fx)]);
}

PointF WheelRaster::ClampToRim(double x, double y) const {
  const double cx = geometry_.cx;
  const double cy = geometry_.cy;
  double dx = x - cx;
  double dy = y - cy;
  const double length = std::hypot(dx, dy);
  if (length == 0.0) {
    dx = 0.0, dy = 1.0;  // straight down
  } else {
    dx /= length, dy /= length;
  }
  double distance = 1.02 * geometry_.Rad;
  // Shrinks by a ten-thousandth a step; the centre is inside, so it ends.
  while (distance > 0.0 && !InsideWheel(cx + dx * distance, cy + dy * distance)) {
    distance *= 0.9999;
    if (distance < 0.5) {
      distance = 0.0;
    }
  }
  return {cx + dx * distance, cy + dy * distance};
}

}  // namespace nimbo::colorpicker

#include "colorpicker/WheelRaster.h"

#include <algorithm>
#include <cmath>

#include "colorpicker/HlsConversion.h"

namespace nimbo::colorpicker {

namespace {

// Adding and removing 1.5 * 2^23 rounds a float below 2^22 to the nearest
// whole number, halves to even, without leaving the vector registers.
inline int RoundByte(float v) {
  constexpr float kMagic = 12582912.0f;
  const int r = static_cast<int>((v + kMagic) - kMagic);
  return r < 0 ? 0 : (r > 255 ? 255 : r);
}

inline std::uint32_t Pixel(int r, int g, int b) {
  return 0xFF000000u | (static_cast<std::uint32_t>(r) << 16) |
         (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

// The weights are 0 for the largest channel, 1 for the smallest and f or
// 1 - f for the one between, by the hue's sextant.
using Weights = HsvWeights;

inline Weights SextantWeights(std::uint32_t sextant, float f) {
  switch (sextant) {
    case 0:
      return {0.0f, 1.0f - f, 1.0f};
    case 1:
      return {f, 0.0f, 1.0f};
    case 2:
      return {1.0f, 0.0f, 1.0f - f};
    case 3:
      return {1.0f, f, 0.0f};
    case 4:
      return {1.0f - f, 1.0f, 0.0f};
    case 5:
      return {0.0f, 1.0f, f};
    default:
      return {};
  }
}

inline std::uint32_t HsvPixel(float v, float s, const Weights& w) {
  return Pixel(RoundByte(v * (1.0f - s * w.r) * 255.0f), RoundByte(v * (1.0f - s * w.g) * 255.0f),
               RoundByte(v * (1.0f - s * w.b) * 255.0f));
}

// Each level 0..240 as a byte.
constexpr std::array<std::uint8_t, kHlsScale + 1> kLevelBytes = [] {
  std::array<std::uint8_t, kHlsScale + 1> bytes{};
  for (int level = 0; level <= kHlsScale; ++level) {
    bytes[static_cast<std::size_t>(level)] = static_cast<std::uint8_t>(LevelByte(level));
  }
  return bytes;
}();

constexpr float kRimSelfWeight = 0.7f;  // neighbours on the disc count 1

std::uint32_t SextantOf(double sextant) {
  return (sextant >= 0.0 && sextant < 6.0) ? static_cast<std::uint32_t>(sextant) : 6u;
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
  ordinal_.assign(count, -1);
  insideIndex_.clear();
  spans_.clear();
  for (auto& ring : rim_) {
    ring.clear();
  }
  for (auto& coverage : rimCoverage_) {
    coverage.clear();
  }
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
      const auto ordinal = static_cast<std::int32_t>(insideIndex_.size());
      ordinal_[static_cast<std::size_t>(index)] = ordinal;
      insideIndex_.push_back(index);
      // A circle's pixels in one row are one run.
      if (spans_.empty() || spans_.back().row != y) {
        spans_.push_back({y, x, x, ordinal});
      } else {
        spans_.back().x1 = x;
      }
      const int ring = cover < 1.0 ? 0 : static_cast<int>(std::floor(cover));
      if (ring < kRimRings) {
        rim_[static_cast<std::size_t>(ring)].push_back(index);
        const int c = ring == 0 ? std::max(1, RoundByte(static_cast<float>(cover * 255.0))) : 255;
        rimCoverage_[static_cast<std::size_t>(ring)].push_back(static_cast<std::uint8_t>(c));
      }
    }
  }
  FindRimNeighbours();
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
  fa_.assign(n, 0.0f);
  fb_.assign(n, 0.0f);
  fc_.assign(n, 0.0f);
  fd_.assign(n, 0.0f);
  ia_.assign(n, 0);
  ib_.assign(n, 0);
  ic_.assign(n, 0);
  for (std::size_t i = 0; i < n; ++i) {
    const std::int32_t index = insideIndex_[i];
    const WheelPolar polar =
        WheelAngleRadius(index % width_, index / width_, geometry_.cx, geometry_.cy);
    const float axial = AxialPixelValue(polar.angle, axialMax);
    const double radial = RadialPixelValue(polar.radius, geometry_.D, radialMax);
    axial_[i] = axial;
    radial_[i] = static_cast<float>(radial);
    if (sel >= kRed) {
      ia_[i] = static_cast<std::int16_t>(ToByte(axial));
      ib_[i] = static_cast<std::int16_t>(ToByte(radial));
    } else if (!hsv) {
      // Integer HSL: what stays fixed of the conversion's pieces. The radial
      // value is never 0 on the wheel, so no pixel here is a grey of the hue
      // selection.
      const int a = RoundClamped(axial, 0, kHlsScale);
      const int r = RoundClamped(radial, 1, kHlsScale);
      if (sel == kHue) {
        const HlsLevels levels = LevelsOf(a, r);
        ia_[i] = static_cast<std::int16_t>(levels.low);
        ib_[i] = static_cast<std::int16_t>(levels.span);
      } else {
        // Rows of the recolour table: saturation (luminance selected) or
        // luminance (saturation selected), then the channel's ramp.
        const HueRamps ramps = RampsOf(a);
        const int row = r * kHlsRamps;
        ia_[i] = static_cast<std::int16_t>(row + ramps.r);
        ib_[i] = static_cast<std::int16_t>(row + ramps.g);
        ic_[i] = static_cast<std::int16_t>(row + ramps.b);
      }
    } else if (sel == kHue) {
      fa_[i] = static_cast<float>(axial / 100.0);   // value
      fb_[i] = static_cast<float>(radial / 100.0);  // saturation
    } else {
      // Hue round the angle: the weights of its sextant.
      const double h = static_cast<double>(axial) / 60.0;
      const double sextant = std::floor(h);
      const std::uint32_t which = SextantOf(sextant);
      const Weights w = SextantWeights(which, static_cast<float>(h - sextant));
      if (sel == kLuminance) {
        // Saturation fixed per pixel: each channel is the value times a base.
        const auto s = static_cast<float>(radial / 100.0);
        fa_[i] = 1.0f - s * w.r;
        fb_[i] = 1.0f - s * w.g;
        fc_[i] = 1.0f - s * w.b;
        if (which == 6) {
          fa_[i] = fb_[i] = fc_[i] = 0.0f;  // a hue of 360: black
        }
      } else {
        fa_[i] = which == 6 ? 0.0f : static_cast<float>(radial / 100.0);  // value
        fb_[i] = w.r;
        fc_[i] = w.g;
        fd_[i] = w.b;
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
  Globals g;
  g.selected = selected;
  const std::int32_t sel = state.SelectionParameter;
  if (sel >= kRed) {
    g.whole = ToByte(selected);
  } else if (!state.IsHsv()) {
    // As ColorHLSToRGB takes its arguments: the hue modulo 240, the others limited.
    g.whole = RoundClamped(selected, -32768, 32767);
    if (sel == kHue) {
      g.whole %= kHlsScale;
      g.whole += g.whole < 0 ? kHlsScale : 0;
      FillHlsHueTables(RampsOf(g.whole));
    } else {
      g.whole = std::clamp(g.whole, 0, kHlsScale);
      FillHlsTable(sel, g.whole);
    }
  } else if (sel == kHue) {
    const double h = selected / 60.0;
    const double sextant = std::floor(h);
    const std::uint32_t which = SextantOf(sextant);
    const Weights w = SextantWeights(which, static_cast<float>(h - sextant));
    g.weights = w;
    g.black = which == 6;
  } else {
    g.value = static_cast<float>(selected / 100.0);
  }
  globals_ = g;
  RecolourSpans();
  BlendRim();
}

std::uint32_t WheelRaster::HlsHuePixel(std::size_t i) const {
  const auto low = static_cast<std::size_t>(ia_[i]);
  const auto span = static_cast<std::size_t>(ib_[i]);
  return Pixel(kLevelBytes[low + hueShare_[0][span]], kLevelBytes[low + hueShare_[1][span]],
               kLevelBytes[low + hueShare_[2][span]]);
}

std::uint32_t WheelRaster::HlsPixel(std::size_t i) const {
  const std::uint8_t* table = hlsTable_.data();
  return Pixel(table[static_cast<std::size_t>(ia_[i])], table[static_cast<std::size_t>(ib_[i])],
               table[static_cast<std::size_t>(ic_[i])]);
}

std::uint32_t WheelRaster::PixelOf(std::size_t i) const {
  const Globals& g = globals_;
  switch (builtSelection_) {
    case kRed:
      return Pixel(g.whole, ia_[i], ib_[i]);
    case kGreen:
      return Pixel(ia_[i], g.whole, ib_[i]);
    case kBlue:
      return Pixel(ia_[i], ib_[i], g.whole);
    default:
      break;
  }
  if (builtSystem_ != kSystemHsv) {
    return builtSelection_ == kHue ? HlsHuePixel(i) : HlsPixel(i);
  }
  switch (builtSelection_) {
    case kHue:
      return g.black ? Pixel(0, 0, 0) : HsvPixel(fa_[i], fb_[i], g.weights);
    case kLuminance:
      return Pixel(RoundByte(g.value * fa_[i] * 255.0f), RoundByte(g.value * fb_[i] * 255.0f),
                   RoundByte(g.value * fc_[i] * 255.0f));
    default:
      return HsvPixel(fa_[i], g.value, {fb_[i], fc_[i], fd_[i]});
  }
}

void WheelRaster::RecolourSpans() {
  // One loop per span of a row and selection, so the pixels are written in
  // order and the loops have no branches.
  const Globals& g = globals_;
  const bool hsv = builtSystem_ == kSystemHsv;
  for (const Span& span : spans_) {
    std::uint32_t* out = pixels_.data() + static_cast<std::size_t>(span.row) * width_ + span.x0;
    const auto first = static_cast<std::size_t>(span.first);
    const auto count = static_cast<std::size_t>(span.x1 - span.x0 + 1);
    const float* a = fa_.data() + first;
    const float* b = fb_.data() + first;
    const float* c = fc_.data() + first;
    const float* d = fd_.data() + first;
    if (hsv && builtSelection_ == kLuminance) {
      const float v = g.value * 255.0f;
      for (std::size_t k = 0; k < count; ++k) {
        out[k] = Pixel(RoundByte(v * a[k]), RoundByte(v * b[k]), RoundByte(v * c[k]));
      }
    } else if (hsv && builtSelection_ == kSaturation) {
      const float s = g.value;
      for (std::size_t k = 0; k < count; ++k) {
        out[k] = HsvPixel(a[k], s, {b[k], c[k], d[k]});
      }
    } else if (builtSelection_ >= kRed) {
      const int v = g.whole;
      const std::int16_t* ia = ia_.data() + first;
      const std::int16_t* ib = ib_.data() + first;
      for (std::size_t k = 0; k < count; ++k) {
        out[k] = builtSelection_ == kRed     ? Pixel(v, ia[k], ib[k])
                 : builtSelection_ == kGreen ? Pixel(ia[k], v, ib[k])
                                             : Pixel(ia[k], ib[k], v);
      }
    } else if (!hsv && builtSelection_ == kHue) {
      for (std::size_t k = 0; k < count; ++k) {
        out[k] = HlsHuePixel(first + k);
      }
    } else if (!hsv) {
      for (std::size_t k = 0; k < count; ++k) {
        out[k] = HlsPixel(first + k);
      }
    } else if (hsv && builtSelection_ == kHue && !g.black) {
      const Weights w = g.weights;
      for (std::size_t k = 0; k < count; ++k) {
        out[k] = HsvPixel(a[k], b[k], w);
      }
    } else {
      for (std::size_t k = 0; k < count; ++k) {
        out[k] = PixelOf(first + k);
      }
    }
  }
}

void WheelRaster::FillHlsHueTables(const HueRamps& ramps) {
  // Per span of the two levels, how far above the lower one each channel lies.
  const int rampOf[3] = {ramps.r, ramps.g, ramps.b};
  for (std::size_t c = 0; c < hueShare_.size(); ++c) {
    for (int span = 0; span < kHlsSpans; ++span) {
      hueShare_[c][static_cast<std::size_t>(span)] =
          static_cast<std::uint8_t>(RampShare(rampOf[c], span));
    }
  }
}

void WheelRaster::FillHlsTable(std::int32_t selection, int value) {
  hlsTable_.resize(static_cast<std::size_t>((kHlsScale + 1) * kHlsRamps));
  for (int q = 0; q <= kHlsScale; ++q) {
    const int luminance = selection == kLuminance ? value : q;
    const int saturation = selection == kLuminance ? q : value;
    const HlsLevels levels = LevelsOf(luminance, saturation);
    for (int ramp = 0; ramp < kHlsRamps; ++ramp) {
      const int channel = saturation == 0 ? GreyOf(luminance) : ChannelOf(levels, ramp);
      hlsTable_[static_cast<std::size_t>(q * kHlsRamps + ramp)] =
          static_cast<std::uint8_t>(channel);
    }
  }
}

void WheelRaster::FindRimNeighbours() {
  rimNeighbours_.clear();
  rimWeights_.clear();
  for (const auto& ring : rim_) {
    for (const std::int32_t index : ring) {
      const int x = index % width_;
      const int y = index / width_;
      // The pixel itself is on the disc, so the weights never sum to zero.
      float weight = 0.0f;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx;
          const int ny = y + dy;
          const bool on = nx >= 0 && ny >= 0 && nx < width_ && ny < height_ &&
                          ordinal_[static_cast<std::size_t>(ny * width_ + nx)] >= 0;
          rimNeighbours_.push_back(on ? ny * width_ + nx : -1);
          weight += on ? ((dx == 0 && dy == 0) ? kRimSelfWeight : 1.0f) : 0.0f;
        }
      }
      rimWeights_.push_back(1.0f / weight);
    }
  }
}

void WheelRaster::BlendRim() {
  const float bg[3] = {static_cast<float>(BlueOf(background_)),
                       static_cast<float>(GreenOf(background_)),
                       static_cast<float>(RedOf(background_))};
  // Every ring averages over the unblended picture, so the results are kept
  // apart until all are known.
  blended_.clear();
  std::size_t pixel = 0;
  for (int ring = 0; ring < kRimRings; ++ring) {
    const auto& coverage = rimCoverage_[static_cast<std::size_t>(ring)];
    for (std::size_t k = 0; k < coverage.size(); ++k, ++pixel) {
      const std::int32_t* around = rimNeighbours_.data() + pixel * 9;
      float sum[3] = {0, 0, 0};
      for (int n = 0; n < 9; ++n) {
        if (around[n] < 0) {
          continue;
        }
        const float w = n == 4 ? kRimSelfWeight : 1.0f;
        const std::uint32_t p = pixels_[static_cast<std::size_t>(around[n])];
        sum[0] += w * static_cast<float>(p & 0xFFu);
        sum[1] += w * static_cast<float>((p >> 8) & 0xFFu);
        sum[2] += w * static_cast<float>((p >> 16) & 0xFFu);
      }
      const float c = coverage[k] / 255.0f;
      const float share = rimWeights_[pixel] * c;
      int out[3];
      for (int ch = 0; ch < 3; ++ch) {
        out[ch] = RoundByte(bg[ch] * (1.0f - c) + sum[ch] * share);
      }
      blended_.push_back(Pixel(out[2], out[1], out[0]));
    }
  }
  std::size_t next = 0;
  for (const auto& ring : rim_) {
    for (const std::int32_t index : ring) {
      pixels_[static_cast<std::size_t>(index)] = blended_[next++];
    }
  }
}

std::int32_t WheelRaster::OrdinalAt(double x, double y) const {
  const double fx = std::floor(x);
  const double fy = std::floor(y);
  if (!(fx >= 0 && fy >= 0 && fx < width_ && fy < height_)) {
    return -1;
  }
  return ordinal_[static_cast<std::size_t>(fy) * static_cast<std::size_t>(width_) +
                  static_cast<std::size_t>(fx)];
}

bool WheelRaster::InsideWheel(double x, double y) const {
  return OrdinalAt(x, y) >= 0;
}

RgbColor WheelRaster::ColorAtPoint(double x, double y) const {
  const std::int32_t ordinal = OrdinalAt(x, y);
  if (ordinal < 0 || !built_) {
    return background_;
  }
  return FromPixel(PixelOf(static_cast<std::size_t>(ordinal)));
}

RgbColor WheelRaster::ShownColorAt(double x, double y) const {
  const double fx = std::floor(x);
  const double fy = std::floor(y);
  if (!(fx >= 0 && fy >= 0 && fx < width_ && fy < height_)) {
    return background_;
  }
  return FromPixel(pixels_[static_cast<std::size_t>(fy) * static_cast<std::size_t>(width_) +
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

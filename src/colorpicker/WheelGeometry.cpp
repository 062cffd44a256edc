#include "colorpicker/WheelGeometry.h"

#include <cmath>

#include "colorpicker/ColorValue.h"

namespace nimbo::colorpicker {

namespace {

constexpr double kPi = 3.14159265358979;  // the constant the wheel has always used
constexpr double kIntMax = 2147483647.0;
constexpr double kIntMin = -2147483648.0;
constexpr std::int32_t kMargin = 8;  // pixels of the picture's width outside the wheel

std::int32_t RoundToInt(double v) {
  return RoundClamped(v, static_cast<std::int32_t>(kIntMin), static_cast<std::int32_t>(kIntMax));
}

}  // namespace

WheelGeometry GeometryFor(double scaleWidth, double scaleHeight) {
  WheelGeometry g;
  g.cx = RoundToInt(scaleWidth / 2.0);
  g.cy = RoundToInt(scaleHeight / 2.0);
  g.D = RoundToInt(scaleWidth - kMargin);
  g.Rad = RoundToInt(g.D / 2.0);
  return g;
}

double WheelAngle(double dx, double dy) {
  double theta = dx == 0.0 ? 90.0 : std::atan(dy / dx) * 180.0 / kPi;
  if (dx < 0.0) {
    theta += 180.0;
  } else if (dy < 0.0) {
    theta += dx == 0.0 ? 180.0 : 360.0;
  }
  // A point a hair below the right-hand horizontal would round up to 360.
  if (theta >= 360.0) {
    theta -= 360.0;
  }
  return theta;
}

double WheelRadius(double dx, double dy) {
  return std::sqrt(dx * dx + dy * dy);
}

WheelPolar WheelAngleRadius(double x, double y, double cx, double cy) {
  const double dx = x - cx;
  const double dy = cy - y;
  return {WheelAngle(dx, dy), WheelRadius(dx, dy)};
}

float AxialPixelValue(double angle, std::int32_t axialMax) {
  return static_cast<float>(angle / 360.0 * axialMax);
}

double RadialPixelValue(double radius, double diameter, std::int32_t radialMax) {
  const double v = std::floor(2.0 * radialMax * radius / diameter);
  // A zero diameter gives infinity or NaN, which take the maximum.
  double limited = (v < radialMax) ? v : static_cast<double>(radialMax);
  if (limited < 1.0) {
    limited = 1.0;
  }
  return limited;
}

}  // namespace nimbo::colorpicker

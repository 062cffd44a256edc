// The colour wheel's geometry and the polar coordinates of its pixels, from
// which each pixel's axial (angle) and radial parameter values follow.
#pragma once

#include <cstdint>

namespace nimbo::colorpicker {

// In pixels of the wheel picture.
struct WheelGeometry {
  std::int32_t cx = 0;  // centre
  std::int32_t cy = 0;
  std::int32_t D = 0;    // diameter: picture width less a margin of 8
  std::int32_t Rad = 0;  // radius: D / 2
  friend bool operator==(const WheelGeometry&, const WheelGeometry&) = default;
};

// The geometry of a wheel picture of the given scale size (each value rounded,
// halves to even).
WheelGeometry GeometryFor(double scaleWidth, double scaleHeight);

struct WheelPolar {
  double angle = 0.0;   // degrees counter-clockwise from the right, 0 <= angle < 360
  double radius = 0.0;  // pixels from the centre
};

// Polar coordinates of pixel (x, y) about the centre (cx, cy); y grows
// downwards on screen, the angle upwards. The centre itself has angle 90.
WheelPolar WheelAngleRadius(double x, double y, double cx, double cy);
double WheelAngle(double dx, double dy);  // dy positive upwards
double WheelRadius(double dx, double dy);

// The axial value of a pixel: angle / 360 * axialMax, in single precision.
float AxialPixelValue(double angle, std::int32_t axialMax);

// The radial value of a pixel: floor(2 * radialMax * radius / diameter),
// limited to 1..radialMax, so 1 at the centre and the maximum on the rim.
double RadialPixelValue(double radius, double diameter, std::int32_t radialMax);

}  // namespace nimbo::colorpicker

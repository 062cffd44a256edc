// The error a ColorWheel property or method reports for a bad argument: the
// platform's run-time error number and the control's type name as its source.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace nimbo::colorpicker {

inline constexpr std::int32_t kInvalidPropertyValue = 380;
inline constexpr std::int32_t kSubscriptOutOfRange = 9;

class ColorWheelError : public std::runtime_error {
 public:
  explicit ColorWheelError(std::int32_t number)
      : std::runtime_error(number == kInvalidPropertyValue ? "Invalid property value"
                                                           : "Subscript out of range"),
        number_(number) {}

  std::int32_t Number() const { return number_; }
  static constexpr const char* Source() { return "ColorWheel"; }

 private:
  std::int32_t number_;
};

}  // namespace nimbo::colorpicker

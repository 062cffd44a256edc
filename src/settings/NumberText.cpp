#include "settings/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>

namespace nimbo::settings {
namespace {

bool Ignored(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string Rightmost(const std::string& text, std::size_t count) {
  return text.size() <= count ? text : text.substr(text.size() - count);
}

}  // namespace

double NumericValue(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    if (!Ignored(c)) {
      kept.push_back(c);
    }
  }
  bool negative = false;
  std::size_t pos = 0;
  if (!kept.empty() && kept[0] == '-') {
    negative = true;
    pos = 1;
  }
  // The number: digits and at most one ".", up to the first other character.
  std::string number;
  bool seen_point = false;
  bool seen_digit = false;
  for (; pos < kept.size(); ++pos) {
    const char c = kept[pos];
    if (IsDigit(c)) {
      seen_digit = true;
    } else if (c == '.' && !seen_point) {
      seen_point = true;
    } else {
      break;
    }
    number.push_back(c);
  }
  if (!seen_digit) {
    return 0.0;
  }
  if (number.back() == '.') {
    number.pop_back();
  }
  if (number.front() == '.') {
    number.insert(number.begin(), '0');
  }
  double value = 0.0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Without an exponent, a value too large has a non-zero digit before the
    // point; one too small ("0." and hundreds of zeros) is as good as 0.
    const std::string_view whole(number.data(), std::min(number.find('.'), number.size()));
    value = whole.find_first_not_of('0') != std::string_view::npos
                ? std::numeric_limits<double>::infinity()
                : 0.0;
  }
  if (value == 0.0) {
    return 0.0;  // never -0
  }
  return negative ? -value : value;
}

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) {
    return value;
  }
  const double lower = std::floor(value);
  const double fraction = value - lower;
  double rounded = lower;
  if (fraction > 0.5) {
    rounded = lower + 1.0;
  } else if (fraction == 0.5) {
    rounded = std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
  }
  return rounded == 0.0 ? 0.0 : rounded;
}

std::string OffsetText(std::uint8_t stored) {
  if (stored <= 128) {
    return Rightmost(" " + std::to_string(stored), 3);
  }
  return "-" + Rightmost(" " + std::to_string(stored - 128), 3);
}

std::string VoltageText(std::uint16_t hundredths) {
  const float volts = static_cast<float>(hundredths) / 100.0f;
  // Seven significant digits, trailing zeros dropped; no exponent below 655.36.
  char digits[32];
  std::snprintf(digits, sizeof digits, "%.7g", static_cast<double>(volts));
  return Rightmost(std::string(" ") + digits, 4);
}

}  // namespace nimbo::settings

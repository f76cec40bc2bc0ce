#include "dbf/numbertext.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace volarin::dbf {

std::string RoundedDecimal(double value, int decimals) {
  if (!std::isfinite(value)) return {};
  if (decimals < 0) decimals = 0;
  const bool negative = std::signbit(value);
  std::string digits;
  int intDigits = 0;  // digits before the decimal point, possibly negative or beyond the string
  if (std::fabs(value) >= 1e15) {
    // Whole numbers this large have no fraction worth rounding; keep every digit the double has.
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.0f", std::fabs(value));
    digits = buffer;
    intDigits = static_cast<int>(digits.size());
  } else {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    // buffer: d.dddddddddddddde[+-]XX
    digits += buffer[0];
    digits.append(buffer + 2, 14);
    intDigits = std::atoi(buffer + 17) + 1;
  }
  const int keep = intDigits + decimals;
  if (keep < 0) {
    digits.clear();
  } else if (keep < static_cast<int>(digits.size())) {
    const bool up = digits[static_cast<size_t>(keep)] >= '5';
    digits.resize(static_cast<size_t>(keep));
    if (up) {
      int i = keep - 1;
      while (i >= 0 && digits[static_cast<size_t>(i)] == '9')
        digits[static_cast<size_t>(i--)] = '0';
      if (i >= 0) {
        ++digits[static_cast<size_t>(i)];
      } else {
        digits.insert(digits.begin(), '1');
        ++intDigits;
      }
    }
  }
  // Lay the digits out around the point.
  std::string integer, fraction;
  for (int pos = 0; pos < intDigits; ++pos) {
    integer += pos < static_cast<int>(digits.size()) ? digits[static_cast<size_t>(pos)] : '0';
  }
  for (int pos = intDigits; pos < intDigits + decimals; ++pos) {
    fraction +=
        pos >= 0 && pos < static_cast<int>(digits.size()) ? digits[static_cast<size_t>(pos)] : '0';
  }
  const size_t nonZero = integer.find_first_not_of('0');
  integer = nonZero == std::string::npos ? "0" : integer.substr(nonZero);
  const bool zero = integer == "0" && fraction.find_first_not_of('0') == std::string::npos;
  std::string text = (negative && !zero) ? "-" : "";
  text += integer;
  if (decimals > 0) text += "." + fraction;
  return text;
}

std::optional<std::string> FormatNumber(double value, int width, int decimals) {
  std::string text = RoundedDecimal(value, decimals);
  if (text.empty() || static_cast<int>(text.size()) > width) return std::nullopt;
  return std::string(static_cast<size_t>(width) - text.size(), ' ') + text;
}

}  // namespace volarin::dbf

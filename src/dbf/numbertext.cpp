#include "dbf/numbertext.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace volarin::dbf {

std::string RoundedDecimal(double value, int decimals) {
  if (!std::isfinite(value)) return {};
  if (decimals < 0) decimals = 0;
  const bool negative = std::signbit(value);
  // The shortest decimal digits that read back as this double: what a person typed or would
  // expect, so 1250.455 rounds up although its binary neighbour lies just below.
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                          std::chars_format::scientific);
  if (error != std::errc()) return {};
  // buffer: d[.ddd]e[+-]XX
  std::string digits;
  digits.reserve(24);
  const char* p = buffer;
  for (; p < end && *p != 'e'; ++p) {
    if (*p != '.') digits += *p;
  }
  int exponent = 0;
  const bool negativeExponent = p + 1 < end && p[1] == '-';
  for (p += 2; p < end; ++p) exponent = exponent * 10 + (*p - '0');
  int intDigits = (negativeExponent ? -exponent : exponent) + 1;
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

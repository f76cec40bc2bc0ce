#include "common/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace volarin {
namespace {

// The value's 15 significant digits (no point) and its decimal exponent: value = 0.d1d2... x
// 10^exp.
struct DecimalDigits {
  bool negative = false;
  std::string digits;  // without trailing zeros; empty for zero
  int exponent = 0;    // position of the point after the first `exponent` digits
};

DecimalDigits ToDigits(double value) {
  DecimalDigits d;
  if (value == 0 || !std::isfinite(value)) return d;
  char buf[64];
  // The same digits as printf's "%.14e" (the standard defines them so), without its cost.
  const std::to_chars_result written =
      std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::scientific, 14);
  *written.ptr = '\0';  // -d.dddddddddddddde±xx
  const char* p = buf;
  if (*p == '-') {
    d.negative = true;
    ++p;
  }
  for (; *p && *p != 'e'; ++p) {
    if (*p != '.') d.digits += *p;
  }
  d.exponent = std::atoi(p + 1) + 1;
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

}  // namespace

std::string FloatToText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  const DecimalDigits d = ToDigits(value);
  if (d.digits.empty()) return "0";
  std::string out = d.negative ? "-" : "";
  if (d.exponent > 15 || d.exponent < -4) {
    out += d.digits.substr(0, 1);
    if (d.digits.size() > 1) out += "." + d.digits.substr(1);
    const int e = d.exponent - 1;
    out += "E" + std::to_string(e);
    return out;
  }
  if (d.exponent <= 0) {
    out += "0." + std::string(static_cast<size_t>(-d.exponent), '0') + d.digits;
  } else if (static_cast<int>(d.digits.size()) <= d.exponent) {
    out += d.digits + std::string(static_cast<size_t>(d.exponent) - d.digits.size(), '0');
  } else {
    out += d.digits.substr(0, static_cast<size_t>(d.exponent)) + "." +
           d.digits.substr(static_cast<size_t>(d.exponent));
  }
  return out;
}

std::string FloatToFixed(double value, int decimals) {
  if (!std::isfinite(value)) return FloatToText(value);
  if (decimals < 0) decimals = 0;
  DecimalDigits d = ToDigits(value);
  // Digits of the integer part and of `decimals` fraction places, padded with zeros.
  std::string whole;  // all digits up to the last kept decimal
  int pointAt;        // number of integer digits in `whole`
  if (d.digits.empty()) {
    whole = "0";
    pointAt = 1;
  } else if (d.exponent > 0) {
    whole = d.digits;
    pointAt = d.exponent;
  } else {
    whole = std::string(static_cast<size_t>(1 - d.exponent), '0') + d.digits;
    pointAt = 1;
  }
  const size_t keep = static_cast<size_t>(pointAt + decimals);
  bool roundUp = whole.size() > keep && whole[keep] >= '5';
  if (whole.size() < keep) whole += std::string(keep - whole.size(), '0');
  whole.resize(keep);
  if (roundUp) {
    int i = static_cast<int>(keep) - 1;
    while (i >= 0 && whole[static_cast<size_t>(i)] == '9') whole[static_cast<size_t>(i--)] = '0';
    if (i >= 0) {
      ++whole[static_cast<size_t>(i)];
    } else {
      whole.insert(whole.begin(), '1');
      ++pointAt;
    }
  }
  std::string integer = whole.substr(0, static_cast<size_t>(pointAt));
  const size_t nz = integer.find_first_not_of('0');
  integer = nz == std::string::npos ? "0" : integer.substr(nz);
  const std::string fraction = whole.substr(static_cast<size_t>(pointAt));
  const bool isZero = integer == "0" && fraction.find_first_not_of('0') == std::string::npos;
  std::string out = d.negative && !isZero ? "-" : "";
  out += integer;
  if (decimals > 0) out += "." + fraction;
  return out;
}

}  // namespace volarin

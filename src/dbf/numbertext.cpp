#include "dbf/numbertext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "common/text.h"

namespace volarin::dbf {
namespace {

// Appends the digits in [from, to) of `digits` (positions outside it are zeros) and tells
// whether any of them is not zero.
bool AppendDigitRange(const char* digits, int count, int from, int to, std::string& out) {
  bool nonZero = false;
  for (int pos = from; pos < to;) {
    if (pos < 0 || pos >= count) {
      // A run of zeros up to the next digit or the end.
      const int next = pos < 0 ? std::min(0, to) : to;
      out.append(static_cast<size_t>(std::max(next - pos, 0)), '0');
      pos = std::max(next, pos + 1);
      continue;
    }
    const int end = std::min(count, to);
    out.append(digits + pos, static_cast<size_t>(end - pos));
    for (int i = pos; i < end; ++i) nonZero |= digits[i] != '0';
    pos = end;
  }
  return nonZero;
}

}  // namespace

bool AppendRoundedDecimal(double value, int decimals, std::string& out) {
  if (!std::isfinite(value)) return false;
  if (decimals < 0) decimals = 0;
  if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
    // A whole number below 10^15 is its own shortest decimal form: its digits, then zeros.
    const auto whole = static_cast<int64_t>(value);
    char digits[24];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, whole);
    if (error != std::errc()) return false;
    out.append(digits, end);  // minus zero is 0, written without sign
    if (decimals > 0) {
      out += '.';
      out.append(static_cast<size_t>(decimals), '0');
    }
    return true;
  }
  const bool negative = std::signbit(value);
  // The shortest decimal digits that read back as this double: what a person typed or would
  // expect, so 1250.455 rounds up although its binary neighbour lies just below.
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                          std::chars_format::scientific);
  if (error != std::errc()) return false;
  // buffer: d[.ddd]e[+-]XX, at most 17 digits; one more room for a carry into a new digit.
  char digits[32];
  int count = 0;
  const char* p = buffer;
  for (; p < end && *p != 'e'; ++p) {
    if (*p != '.') digits[count++] = *p;
  }
  int exponent = 0;
  const bool negativeExponent = p + 1 < end && p[1] == '-';
  for (p += 2; p < end; ++p) exponent = exponent * 10 + (*p - '0');
  int intDigits = (negativeExponent ? -exponent : exponent) + 1;
  const int keep = intDigits + decimals;
  if (keep < 0) {
    count = 0;
  } else if (keep < count) {
    const bool up = digits[keep] >= '5';
    count = keep;
    if (up) {
      int i = keep - 1;
      while (i >= 0 && digits[i] == '9') digits[i--] = '0';
      if (i >= 0) {
        ++digits[i];
      } else {
        std::memmove(digits + 1, digits, static_cast<size_t>(count));
        digits[0] = '1';
        ++count;
        ++intDigits;
      }
    }
  }
  // Lay the digits out around the point; the sign goes again if everything shown is zero.
  const size_t start = out.size();
  if (negative) out += '-';
  const int shownInteger = std::min(count, intDigits);
  int first = 0;
  while (first < shownInteger && digits[first] == '0') ++first;
  bool nonZero = false;
  if (first < shownInteger) {
    nonZero = AppendDigitRange(digits, count, first, intDigits, out);
  } else {
    out += '0';  // no integer digits, or only zeros
  }
  if (decimals > 0) {
    out += '.';
    nonZero |= AppendDigitRange(digits, count, intDigits, intDigits + decimals, out);
  }
  if (negative && !nonZero) out.erase(start, 1);
  return true;
}

std::string RoundedDecimal(double value, int decimals) {
  std::string text;
  AppendRoundedDecimal(value, decimals, text);
  return text;
}

std::optional<std::string> FormatNumber(double value, int width, int decimals) {
  std::string text;
  if (!AppendRoundedDecimal(value, decimals, text) || static_cast<int>(text.size()) > width) {
    return std::nullopt;
  }
  text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
  return text;
}

std::optional<WholeNumberText> PlainWholeNumber(std::string_view stored) {
  size_t i = 0;
  while (i < stored.size() && IsBlank(stored[i])) ++i;
  bool minus = false;
  if (i < stored.size() && (stored[i] == '-' || stored[i] == '+')) minus = stored[i++] == '-';
  while (i < stored.size() && stored[i] == '0') ++i;
  const std::string_view digits = stored.substr(i);
  if (digits.size() > static_cast<size_t>(kExactWholeDigits)) return std::nullopt;
  for (const char c : digits) {
    if (!IsDigit(c)) return std::nullopt;
  }
  return WholeNumberText{minus && !digits.empty(), digits};
}

}  // namespace volarin::dbf

#include "common/money.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "common/numbers.h"
#include "common/text.h"

namespace volarin {
namespace {

constexpr const char* kTooLarge = "The amount %s is too large to be handled as money";
constexpr const char* kSumTooLarge = "A total of amounts is too large to be handled as money";

uint64_t Magnitude(int64_t units) {
  return units < 0 ? 0 - static_cast<uint64_t>(units) : static_cast<uint64_t>(units);
}

void AppendDigits(std::string& out, uint64_t value) {
  char digits[24];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, end.ptr);
}

// Half away from zero, on the magnitude.
uint64_t RoundedCentsOf(uint64_t units) {
  return units / Money::kUnitsPerCent +
         (units % Money::kUnitsPerCent >= Money::kUnitsPerCent / 2 ? 1 : 0);
}

}  // namespace

Money Money::FromCents(int64_t cents) {
  int64_t units = 0;
  if (__builtin_mul_overflow(cents, kUnitsPerCent, &units)) {
    throw MoneyRangeError(FillIn(kTooLarge, {Int64ToText(cents) + " cents"}));
  }
  return Money(units);
}

Money Money::FromStoredText(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  const size_t start = i;
  // Every amount of a register takes this road, one digit at a time: up to 14 whole digits and
  // four decimals stay far inside the range, so only longer numbers are checked as they grow.
  constexpr size_t kUncheckedDigits = 14;
  uint64_t whole = 0;
  for (; i < text.size() && IsDigit(text[i]) && i - start < kUncheckedDigits; ++i) {
    whole = whole * 10 + static_cast<uint64_t>(text[i] - '0');
  }
  if (i < text.size() && IsDigit(text[i])) return FromLongStoredText(text, start, negative);
  uint64_t units = whole * kUnitsPerDollar;
  if (i < text.size() && text[i] == '.') {
    static constexpr uint64_t kPlaces[kDecimals] = {1000, 100, 10, 1};
    for (size_t place = 0; ++i < text.size() && IsDigit(text[i]); ++place) {
      if (place < kDecimals) units += static_cast<uint64_t>(text[i] - '0') * kPlaces[place];
    }
  }
  const auto value = static_cast<int64_t>(units);
  return Money(negative ? -value : value);
}

Money Money::FromLongStoredText(std::string_view text, size_t start, bool negative) {
  size_t i = start;
  constexpr uint64_t kLimit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  uint64_t units = 0;
  bool tooLarge = false;
  const auto addDigit = [&](char digit, uint64_t scale) {
    const uint64_t add = static_cast<uint64_t>(digit - '0') * scale;
    if (units > kLimit - add) tooLarge = true;
    units += add;
  };
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    if (units > kLimit / 10) tooLarge = true;
    if (!tooLarge) units *= 10;
    if (!tooLarge) addDigit(text[i], kUnitsPerDollar);
  }
  // The whole dollars were counted in units as they came; the decimals add their places.
  if (i < text.size() && text[i] == '.') {
    uint64_t scale = kUnitsPerDollar;
    for (++i; i < text.size() && IsDigit(text[i]); ++i) {
      scale /= 10;
      if (scale > 0 && !tooLarge) addDigit(text[i], scale);
    }
  }
  if (tooLarge) {
    throw MoneyRangeError(FillIn(kTooLarge, {TrimText(std::string(text.substr(start)))}));
  }
  const auto value = static_cast<int64_t>(units);
  return Money(negative ? -value : value);
}

Money Money::FromDouble(double value) {
  // Below a unit is nothing; the general form of anything this large has an exponent.
  if (std::isfinite(value) && std::fabs(value) < 1.0 / kUnitsPerDollar) return {};
  if (!std::isfinite(value) || std::fabs(value) >= 9e14) {
    throw MoneyRangeError(FillIn(kTooLarge, {FloatToText(value)}));
  }
  return FromStoredText(FloatToText(value));
}

int64_t Money::RoundedCents() const {
  const auto cents = static_cast<int64_t>(RoundedCentsOf(Magnitude(units_)));
  return units_ < 0 ? -cents : cents;
}

Money& Money::operator+=(Money other) {
  if (__builtin_add_overflow(units_, other.units_, &units_)) throw MoneyRangeError(kSumTooLarge);
  return *this;
}

Money& Money::operator-=(Money other) {
  if (__builtin_sub_overflow(units_, other.units_, &units_)) throw MoneyRangeError(kSumTooLarge);
  return *this;
}

std::string Money::FileText() const {
  std::string text;
  AppendFileText(text);
  return text;
}

void Money::AppendFileText(std::string& out) const {
  char text[kMaxFileText];
  out.append(text, WriteFileText(text));
}

char* Money::WriteFileText(char* out) const {
  const uint64_t magnitude = Magnitude(units_);
  if (units_ < 0) *out++ = '-';
  out = std::to_chars(out, out + 20, magnitude / kUnitsPerDollar).ptr;
  uint64_t fraction = magnitude % kUnitsPerDollar;
  *out++ = '.';
  if (fraction == 0) {
    *out++ = '0';
    *out++ = '0';
    return out;
  }
  // The fraction's digits without its trailing zeros, of which the first two are kept.
  char digits[kDecimals];
  for (int place = kDecimals - 1; place >= 0; --place) {
    digits[place] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  int length = kDecimals;
  while (digits[length - 1] == '0') --length;
  return std::copy(digits, digits + std::min(length, 2), out);
}

std::string Money::RoundedWholeDigits() const {
  std::string out;
  AppendDigits(out, RoundedCentsOf(Magnitude(units_)) / 100);
  return out;
}

std::string Money::RoundedCentDigits() const {
  const auto cents = static_cast<unsigned>(RoundedCentsOf(Magnitude(units_)) % 100);
  return {static_cast<char>('0' + cents / 10), static_cast<char>('0' + cents % 10)};
}

std::string Money::FixedText() const {
  const bool negative = units_ < 0 && RoundedCentsOf(Magnitude(units_)) != 0;
  return (negative ? "-" : "") + RoundedWholeDigits() + "." + RoundedCentDigits();
}

std::optional<std::string> Money::FieldText(int width, int decimals) const {
  if (decimals < 0 || decimals > kDecimals || width <= 0) return std::nullopt;
  uint64_t step = 1;
  for (int i = decimals; i < kDecimals; ++i) step *= 10;
  const uint64_t magnitude = Magnitude(units_);
  const uint64_t rounded = magnitude / step + (magnitude % step >= (step + 1) / 2 ? 1 : 0);
  const uint64_t scale = static_cast<uint64_t>(kUnitsPerDollar) / step;
  std::string text = units_ < 0 && rounded != 0 ? "-" : "";
  AppendDigits(text, rounded / scale);
  if (decimals > 0) {
    std::string fraction;
    AppendDigits(fraction, rounded % scale);
    text += "." + std::string(static_cast<size_t>(decimals) - fraction.size(), '0') + fraction;
  }
  if (static_cast<int>(text.size()) > width) return std::nullopt;
  return std::string(static_cast<size_t>(width) - text.size(), ' ') + text;
}

}  // namespace volarin

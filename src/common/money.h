#pragma once
// An amount of money held exactly, as a whole number of ten-thousandths of a dollar: the stored
// N12.2 text goes to the Positive Pay file's lines, its trailer and the report's totals without
// a binary fraction in between, so a total is always the sum of its lines. The unit is finer
// than a cent because a stored text may carry a third decimal, which the file's line cuts and
// the trailer's total rounds.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/errors.h"

namespace volarin {

// An amount or a sum beyond what Money holds (about 922 trillion dollars).
class MoneyRangeError : public Error {
 public:
  using Error::Error;
};

class Money {
 public:
  static constexpr int kDecimals = 4;
  static constexpr int64_t kUnitsPerCent = 100;
  static constexpr int64_t kUnitsPerDollar = 10000;

  constexpr Money() = default;

  static constexpr Money FromUnits(int64_t units) { return Money(units); }
  // Throws MoneyRangeError when the cents do not fit.
  static Money FromCents(int64_t cents);
  // The value of an N or F field's stored text, read as the table reads numbers: leading
  // blanks, a sign, digits and the first "." count, anything after them is ignored, and an
  // unreadable text is zero. Digits past the fourth decimal are cut. Throws MoneyRangeError
  // for a number too large.
  static Money FromStoredText(std::string_view text);
  // A floating-point amount by its 15-significant-digit decimal form, as the program prints
  // numbers; for amounts that only exist as such (a layout preview's sample checks).
  static Money FromDouble(double value);

  constexpr int64_t Units() const { return units_; }
  constexpr bool IsZero() const { return units_ == 0; }
  constexpr bool IsNegative() const { return units_ < 0; }
  // Rounded half away from zero to whole cents.
  int64_t RoundedCents() const;

  // Sums and differences throw MoneyRangeError rather than wrap around.
  Money& operator+=(Money other);
  Money& operator-=(Money other);
  friend Money operator+(Money a, Money b) { return a += b; }
  friend Money operator-(Money a, Money b) { return a -= b; }
  Money operator-() const { return Money() - *this; }
  friend constexpr bool operator==(Money, Money) = default;
  friend constexpr std::strong_ordering operator<=>(Money a, Money b) {
    return a.units_ <=> b.units_;
  }

  // The Positive Pay file's amount text: the decimal form without trailing zeros, ".00" after
  // a whole amount, the fraction cut (not rounded) to two places: 1250.5 -> "1250.5",
  // 300 -> "300.00", 12.349 -> "12.34", -0.004 -> "-0.00".
  std::string FileText() const;
  void AppendFileText(std::string& out) const;
  // The file text written at `out`, which has room for kMaxFileText bytes; returns its end.
  static constexpr size_t kMaxFileText = 24;  // sign, 19 digits, "." and two decimals
  char* WriteFileText(char* out) const;
  // The "0.00" pattern: rounded half away from zero to the cent, "-" in front when the rounded
  // value is below zero: 6.349 -> "6.35", -20.5 -> "-20.50", -0.004 -> "0.00".
  std::string FixedText() const;
  // Integer digits, and the two rounded decimals, of the magnitude: the parts the report's
  // "$0,0.00" groups and separates.
  std::string RoundedWholeDigits() const;
  std::string RoundedCentDigits() const;
  // The text an N field of this width and decimals (at most four) stores: rounded half away
  // from zero, right-aligned; nullopt when it does not fit.
  std::optional<std::string> FieldText(int width, int decimals) const;

 private:
  explicit constexpr Money(int64_t units) : units_(units) {}
  // FromStoredText of a number of more than 14 whole digits, from its first digit at `start`.
  static Money FromLongStoredText(std::string_view text, size_t start, bool negative);

  int64_t units_ = 0;
};

}  // namespace volarin

#pragma once
// Decimal text of numbers as dBASE writes them into N and F fields and STR() results.

#include <optional>
#include <string>
#include <string_view>

namespace volarin::dbf {

// The value rounded half away from zero to `decimals` places, as "-1250.50" (no blanks). The
// rounding works on the shortest decimal form of the double, so 1250.455 gives 1250.46 as a
// person expects, not 1250.45 from its binary neighbour. Minus zero is written without sign.
// Empty for NaN and infinities.
std::string RoundedDecimal(double value, int decimals);
// The same appended to `out` without building strings of its own; false, and nothing appended,
// for NaN and infinities.
bool AppendRoundedDecimal(double value, int decimals, std::string& out);

// The same right-aligned in `width`; nullopt when it does not fit.
std::optional<std::string> FormatNumber(double value, int width, int decimals);

// A stored number in the plain whole form: blanks, an optional sign, then digits up to the end
// of the text, at most kExactWholeDigits of them after leading zeros (no digits reads as 0).
// Such a text reads as a double exactly, and that double writes back as the same digits, so
// text made from these digits equals text made through the double.
inline constexpr int kExactWholeDigits = 15;
struct WholeNumberText {
  bool negative = false;    // a minus before digits that are not all zero
  std::string_view digits;  // without leading zeros; empty for zero
};
std::optional<WholeNumberText> PlainWholeNumber(std::string_view stored);

}  // namespace volarin::dbf

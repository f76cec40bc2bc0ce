#pragma once
// Decimal text of numbers as dBASE writes them into N and F fields and STR() results.

#include <optional>
#include <string>

namespace volarin::dbf {

// The value rounded half away from zero to `decimals` places, as "-1250.50" (no blanks). The
// rounding works on the shortest decimal form of the double, so 1250.455 gives 1250.46 as a
// person expects, not 1250.45 from its binary neighbour. Minus zero is written without sign.
// Empty for NaN and infinities.
std::string RoundedDecimal(double value, int decimals);

// The same right-aligned in `width`; nullopt when it does not fit.
std::optional<std::string> FormatNumber(double value, int width, int decimals);

}  // namespace volarin::dbf

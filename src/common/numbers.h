#pragma once
// Number to text in the forms the suite's files and screens use.

#include <string>

namespace volarin {

// General decimal form with at most 15 significant digits, no trailing zeros and no point for a
// whole number: 1250.5 -> "1250.5", 300 -> "300", 0.07 -> "0.07". Values below 0.00001 or with
// more than 15 integer digits use an exponent ("1E-6", "1.5E20").
std::string FloatToText(double value);
// Fixed notation with the given decimals, rounded half away from zero on the value's 15-digit
// decimal form (so 1.005 gives "1.01"): the "0.00" pattern with decimals 2.
std::string FloatToFixed(double value, int decimals);

}  // namespace volarin

#pragma once
// The report's money format, "$0,0.00": dollar sign, thousands separators, two decimals, and a
// minus sign before the dollar sign.

#include <string>

#include "common/money.h"

class QLocale;

namespace volarin {

// Separators as single-byte Windows-1252 texts.
struct NumberSeparators {
  std::string thousands = ",";
  std::string decimal = ".";
};

// The separators of a locale. A separator the single-byte texts cannot hold (such as a narrow
// no-break space) becomes the nearest one they can.
NumberSeparators SeparatorsOf(const QLocale& locale);
// Those of the system locale.
NumberSeparators SystemNumberSeparators();

// Rounded half away from zero to the cent, as every money text of the program is:
// 1234.5 -> "$1,234.50", -12.3 -> "-$12.30", -0.004 -> "$0.00".
std::string MoneyText(Money value, const NumberSeparators& separators);
// The same of a floating-point value, by its 15-digit decimal form.
std::string MoneyText(double value, const NumberSeparators& separators);

}  // namespace volarin

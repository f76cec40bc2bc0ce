#include "report/moneytext.h"

#include <QLocale>

namespace volarin {

namespace {

// One character of the locale as a single byte: Latin-1 characters are the same in
// Windows-1252; the thin and narrow spaces some locales group with become a no-break space.
std::string SingleByte(const QString& separator, const std::string& fallback) {
  if (separator.size() != 1) return separator.isEmpty() ? std::string() : fallback;
  const char16_t code = separator.front().unicode();
  if (code == 0x2009 || code == 0x202F) return std::string(1, '\xA0');
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
    return std::string(1, static_cast<char>(code));
  }
  return fallback;
}

// Thousands separators into the integer digits: "1234567" -> "1,234,567".
std::string GroupThousands(const std::string& digits, const std::string& separator) {
  std::string out;
  const size_t count = digits.size();
  for (size_t i = 0; i < count; ++i) {
    if (i > 0 && (count - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

}  // namespace

NumberSeparators SystemNumberSeparators() {
  return SeparatorsOf(QLocale::system());
}

NumberSeparators SeparatorsOf(const QLocale& locale) {
  NumberSeparators separators;
  separators.thousands = SingleByte(locale.groupSeparator(), ",");
  separators.decimal = SingleByte(locale.decimalPoint(), ".");
  return separators;
}

std::string MoneyText(Money value, const NumberSeparators& separators) {
  const bool negative = value.RoundedCents() < 0;
  return (negative ? "-$" : "$") +
         GroupThousands(value.RoundedWholeDigits(), separators.thousands) + separators.decimal +
         value.RoundedCentDigits();
}

std::string MoneyText(double value, const NumberSeparators& separators) {
  return MoneyText(Money::FromDouble(value), separators);
}

}  // namespace volarin

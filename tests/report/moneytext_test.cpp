#include "report/moneytext.h"

#include <gtest/gtest.h>

#include <QLocale>

namespace volarin {
namespace {

TEST(MoneyTextTest, FormatsWithThousandsTwoDecimalsAndTheSignBeforeTheDollar) {
  const NumberSeparators english;
  const std::pair<double, const char*> cases[] = {
      {1234.5, "$1,234.50"},
      {0, "$0.00"},
      {-0.0, "$0.00"},
      {-12.3, "-$12.30"},
      {0.07, "$0.07"},
      {999.994, "$999.99"},
      {999.995, "$1,000.00"},    // rounds up across a thousands boundary
      {-999.995, "-$1,000.00"},  // half away from zero, also below zero
      {1.005, "$1.01"},          // on the decimal form, not the binary one
      {2.675, "$2.68"},
      {-0.004, "$0.00"},  // rounds to zero: no minus sign
      {-0.005, "-$0.01"},
      {100, "$100.00"},
      {1000, "$1,000.00"},
      {123456789.12, "$123,456,789.12"},
      {-1234567.891, "-$1,234,567.89"},
  };
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(MoneyText(value, english), text) << value;
  }
}

TEST(MoneyTextTest, UsesTheGivenSeparators) {
  const NumberSeparators german{".", ","};
  EXPECT_EQ(MoneyText(1234567.5, german), "$1.234.567,50");
  EXPECT_EQ(MoneyText(-0.5, german), "-$0,50");
  const NumberSeparators none{"", "."};
  EXPECT_EQ(MoneyText(1234567.5, none), "$1234567.50");
}

TEST(MoneyTextTest, TakesSeparatorsFromALocaleAsSingleBytes) {
  struct Case {
    QLocale locale;
    std::string thousands, decimal;
  };
  const Case cases[] = {
      {QLocale::c(), ",", "."},
      {QLocale(QLocale::English, QLocale::UnitedStates), ",", "."},
      {QLocale(QLocale::German, QLocale::Germany), ".", ","},
      // French groups with a narrow no-break space, which single-byte text has no room for.
      {QLocale(QLocale::French, QLocale::France), "\xA0", ","},
  };
  for (const Case& c : cases) {
    const NumberSeparators separators = SeparatorsOf(c.locale);
    EXPECT_EQ(separators.thousands, c.thousands) << c.locale.name().toStdString();
    EXPECT_EQ(separators.decimal, c.decimal) << c.locale.name().toStdString();
  }
}

}  // namespace
}  // namespace volarin

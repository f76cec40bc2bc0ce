#include "common/money.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "common/numbers.h"

namespace volarin {
namespace {

TEST(Money, ReadsStoredTextsAsTheTableReadsNumbers) {
  struct Case {
    const char* stored;
    int64_t units;
  } cases[] = {
      {"     1250.50", 12505000},
      {"1250.5", 12505000},
      {"300", 3000000},
      {"0.07", 700},
      {"-12.349", -123490},
      {"+4.5", 45000},
      {"-0.00", 0},
      {"", 0},
      {"            ", 0},
      {"**********", 0},
      {"12.5      ", 125000},
      {"1,250.00", 10000},     // reading stops at the comma
      {"12.3456789", 123456},  // past the fourth decimal is cut
      {".5", 5000},
      {"5.", 50000},
      {"999999999.99", 9999999999900},
      {"999999999999", 9999999999990000},
      {"99999999999999.99999", 999999999999999999},  // the longest read without range checks
      {"-100000000000000.5", -1000000000000005000},  // and the first checked
      {"\t 7", 70000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Money::FromStoredText(c.stored).Units(), c.units) << '"' << c.stored << '"';
  }
}

TEST(Money, ANumberBeyondItsRangeIsRefusedNotWrapped) {
  for (const char* text : {"99999999999999999999", "-922337203685478", "1000000000000000.00"}) {
    EXPECT_THROW(Money::FromStoredText(text), MoneyRangeError) << text;
  }
  EXPECT_EQ(Money::FromStoredText("922337203685477.5807").Units(), INT64_MAX);
  const Money big = Money::FromUnits(INT64_MAX - 5);
  EXPECT_THROW(big + Money::FromUnits(6), MoneyRangeError);
  EXPECT_THROW(Money::FromUnits(INT64_MIN + 5) - Money::FromUnits(6), MoneyRangeError);
  EXPECT_THROW(Money::FromCents(INT64_MAX / 10), MoneyRangeError);
  try {
    Money::FromStoredText("  99999999999999999999  ");
    ADD_FAILURE() << "no error";
  } catch (const MoneyRangeError& error) {
    EXPECT_STREQ(error.what(),
                 "The amount 99999999999999999999 is too large to be handled as money");
  }
}

TEST(Money, TextForms) {
  struct Case {
    const char* stored;
    const char* file;
    const char* fixed;
    const char* field;  // N12.2
  } cases[] = {
      {"1250.5", "1250.5", "1250.50", "     1250.50"},
      {"300", "300.00", "300.00", "      300.00"},
      {"75.25", "75.25", "75.25", "       75.25"},
      {"12.349", "12.34", "12.35", "       12.35"},
      {"1.005", "1.00", "1.01", "        1.01"},
      {"0.285", "0.28", "0.29", "        0.29"},
      {"-20.5", "-20.5", "-20.50", "      -20.50"},
      {"-0.004", "-0.00", "0.00", "        0.00"},
      {"-0.005", "-0.00", "-0.01", "       -0.01"},
      {"0.0001", "0.00", "0.00", "        0.00"},
      {"0", "0.00", "0.00", "        0.00"},
      {"999999999.99", "999999999.99", "999999999.99", "999999999.99"},
      {"999999999.995", "999999999.99", "1000000000.00", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    const Money money = Money::FromStoredText(c.stored);
    EXPECT_EQ(money.FileText(), c.file);
    EXPECT_EQ(money.FixedText(), c.fixed);
    const std::optional<std::string> field = money.FieldText(12, 2);
    if (c.field) {
      EXPECT_EQ(field, std::optional<std::string>(c.field));
    } else {
      EXPECT_EQ(field, std::nullopt);
    }
  }
  EXPECT_EQ(Money::FromStoredText("12.3456").FieldText(8, 4),
            std::optional<std::string>(" 12.3456"));
  EXPECT_EQ(Money::FromStoredText("12.5").FieldText(4, 0), std::optional<std::string>("  13"));
  EXPECT_EQ(Money::FromStoredText("-1234.567").RoundedWholeDigits(), "1234");
  EXPECT_EQ(Money::FromStoredText("-1234.567").RoundedCentDigits(), "57");
}

TEST(Money, SumsAreExact) {
  Money total;
  for (int i = 0; i < 1000; ++i) total += Money::FromStoredText("0.10");
  EXPECT_EQ(total, Money::FromStoredText("100"));
  Money mixed = Money::FromStoredText("12.349") - Money::FromStoredText("10") -
                Money::FromStoredText("1") + Money::FromStoredText("5");
  EXPECT_EQ(mixed.FixedText(), "6.35");
  EXPECT_EQ(-mixed, Money::FromStoredText("-6.349"));
  EXPECT_LT(Money::FromStoredText("-1"), Money());
  EXPECT_EQ(Money::FromCents(-250), Money::FromStoredText("-2.50"));
  EXPECT_EQ(Money::FromStoredText("-2.505").RoundedCents(), -251);
}

TEST(Money, FromDoubleTakesTheFifteenDigitForm) {
  EXPECT_EQ(Money::FromDouble(0.1 + 0.2), Money::FromStoredText("0.3"));
  EXPECT_EQ(Money::FromDouble(1250.5), Money::FromStoredText("1250.5"));
  EXPECT_EQ(Money::FromDouble(-12.349), Money::FromStoredText("-12.349"));
  EXPECT_EQ(Money::FromDouble(0.000001), Money());
  EXPECT_THROW(Money::FromDouble(1e20), MoneyRangeError);
  EXPECT_THROW(Money::FromDouble(std::nan("")), MoneyRangeError);
}

// For texts a table can hold (at most twelve characters, up to four decimals), the line and
// the rounded forms agree with the program's floating-point number texts on the same value.
TEST(Money, AgreesWithTheFloatingPointTextsOnSingleAmounts) {
  std::mt19937 random(17);
  for (int round = 0; round < 20000; ++round) {
    const int integerDigits = static_cast<int>(random() % 10);
    const int decimals = static_cast<int>(random() % 5);
    std::string text = random() % 4 == 0 ? "-" : "";
    for (int i = 0; i < integerDigits; ++i) text += static_cast<char>('0' + random() % 10);
    if (integerDigits == 0) text += '0';
    if (decimals > 0) text += '.';
    for (int i = 0; i < decimals; ++i) text += static_cast<char>('0' + random() % 10);
    SCOPED_TRACE(text);
    const double value = std::strtod(text.c_str(), nullptr);
    const Money money = Money::FromStoredText(text);
    // The line's rule on the general form: ".00" after a whole number, else cut to two places.
    std::string general = FloatToText(value);
    const size_t point = general.find('.');
    const std::string line =
        point == std::string::npos ? general + ".00" : general.substr(0, point + 3);
    EXPECT_EQ(money.FileText(), line);
    EXPECT_EQ(money.FixedText(), FloatToFixed(value, 2));
  }
}

}  // namespace
}  // namespace volarin

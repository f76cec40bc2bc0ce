#include "common/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

namespace volarin {
namespace {

TEST(FloatToText, GeneralFormWithFifteenDigits) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {{1250.5, "1250.5"},
               {300, "300"},
               {0.07, "0.07"},
               {75.25, "75.25"},
               {0, "0"},
               {-0.0, "0"},
               {-12.5, "-12.5"},
               {12.345, "12.345"},
               {0.1 + 0.2, "0.3"},
               {9999999999, "9999999999"},
               {123456789012345, "123456789012345"},
               {1e20, "1E20"},
               {0.000001, "1E-6"},
               {0.001, "0.001"},
               {1234567.891, "1234567.891"}};
  for (const Case& c : cases) EXPECT_EQ(FloatToText(c.value), c.text) << c.value;
}

// Between 0.0001 and 10^15 the general form has the digits and layout of printf's "%.15g":
// amounts in cents and values of every scale in that range, compared with it.
TEST(FloatToText, AgreesWithPrintfOverAmountsAndScales) {
  auto printfForm = [](double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    return std::string(text);
  };
  for (int64_t cents = -100000; cents <= 100000000; cents += cents < 200000 ? 1 : 997) {
    const double amount = static_cast<double>(cents) / 100;
    ASSERT_EQ(FloatToText(amount), printfForm(amount)) << cents;
  }
  std::mt19937_64 random(14);
  std::uniform_real_distribution<double> exponent(-4, 14.9);
  std::uniform_real_distribution<double> mantissa(1, 9.999);
  for (int i = 0; i < 200000; ++i) {
    const double value = mantissa(random) * std::pow(10.0, static_cast<int>(exponent(random)));
    if (value >= 1e15) continue;
    ASSERT_EQ(FloatToText(value), printfForm(value)) << value;
    ASSERT_EQ(FloatToText(-value), printfForm(-value)) << value;
  }
}

TEST(FloatToFixed, RoundsHalfAwayFromZeroOnTheDecimalForm) {
  struct Case {
    double value;
    int decimals;
    const char* text;
  } cases[] = {{1475.25, 2, "1475.25"}, {0, 2, "0.00"},
               {-75.25, 2, "-75.25"},   {1.005, 2, "1.01"},
               {-1.005, 2, "-1.01"},    {12.349, 2, "12.35"},
               {0.004, 2, "0.00"},      {-0.004, 2, "0.00"},
               {9.995, 2, "10.00"},     {99.999, 2, "100.00"},
               {0.5, 0, "1"},           {1250.5, 2, "1250.50"},
               {0.07, 2, "0.07"},       {-5, 0, "-5"},
               {1e-9, 2, "0.00"},       {123456789.125, 2, "123456789.13"}};
  for (const Case& c : cases) {
    EXPECT_EQ(FloatToFixed(c.value, c.decimals), c.text) << c.value << " " << c.decimals;
  }
}

}  // namespace
}  // namespace volarin

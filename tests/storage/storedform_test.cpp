// The stored forms a cursor writes and the values it reads back from stored text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "storage/errors.h"
#include "storage/storedform.h"

namespace volarin {
namespace {

dbf::FieldInfo Field(char type, int width, int decimals = 0) {
  dbf::FieldInfo f;
  f.name = "F";
  f.type = type;
  f.width = width;
  f.decimals = decimals;
  return f;
}

struct NumberCase {
  double value;
  int width;
  int decimals;
  const char* stored;
};

TEST(StoredForm, NumbersAreRoundedAndRightAligned) {
  const NumberCase cases[] = {
      {1250.5, 10, 2, "   1250.50"},
      {-5, 6, 0, "    -5"},
      {1.005, 8, 2, "    1.01"},   // rounding works on the decimal digits a person sees
      {-1.005, 8, 2, "   -1.01"},  // half away from zero
      {2.675, 6, 2, "  2.68"},
      {0.004, 6, 2, "  0.00"},
      {-0.004, 6, 2, "  0.00"},  // no minus zero
      {9.995, 6, 2, " 10.00"},   // carry into a new digit
      {0.5, 3, 0, "  1"},
      {99999999.99, 11, 2, "99999999.99"},
      {9999999999, 10, 0, "9999999999"},
      {123.456, 12, 0, "         123"},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ(StoredNumber(Field('N', c.width, c.decimals), c.value), c.stored)
        << c.value << " in N(" << c.width << "," << c.decimals << ")";
  }
}

// The digits a stored number is rounded from are worked out in integers for magnitudes from 1 up
// to 1e15 and taken from printf elsewhere: both must give printf's digits, also on exact halves
// (ties go to the even digit), next to powers of ten and at the ends of the range.
TEST(StoredForm, SignificantDigitsAreThoseOfPrintf) {
  std::vector<double> values = {1,
                                1.005,
                                2.675,
                                9.995,
                                1250.5,
                                99999999.99,
                                12345678901234.25,  // an exact half at the fifteenth digit
                                12345678901234.75,
                                12345678901233.25,
                                99999999999999.95,
                                999999999999999.9,
                                std::nextafter(1e15, 0.0),
                                1e15,
                                std::nextafter(1.0, 0.0),
                                9.999999999999995,
                                std::nextafter(10.0, 0.0),
                                0.004,
                                0.5,
                                1e-300,
                                4.9e-324,
                                1.7e308};
  for (int cents = 0; cents < 100000; cents += 7) values.push_back(cents / 100.0 + 1);
  std::mt19937_64 random(20261211);
  std::uniform_real_distribution<double> place(-3, 16);
  for (int i = 0; i < 20000; ++i) values.push_back(std::pow(10.0, place(random)));
  std::uniform_int_distribution<int64_t> fifteenDigits(100000000000000, 999999999999999);
  std::uniform_int_distribution<int64_t> fourteenDigits(10000000000000, 99999999999999);
  for (int i = 0; i < 2000; ++i) {
    // Exact halves and quarters just past the fifteenth digit.
    values.push_back(static_cast<double>(fifteenDigits(random)) + 0.5);
    values.push_back(static_cast<double>(fourteenDigits(random)) + 0.25);
    values.push_back(static_cast<double>(fourteenDigits(random)) + 0.75);
  }
  for (const double value : values) {
    char printed[64];
    std::snprintf(printed, sizeof printed, "%.14e", value);
    const std::string text = printed;
    const size_t e = text.find('e');
    std::string digits;
    int pointAt = 0;
    SignificantDigits(value, digits, pointAt);
    EXPECT_EQ(digits, text.substr(0, 1) + text.substr(2, e - 2)) << printed;
    EXPECT_EQ(pointAt, std::stoi(text.substr(e + 1)) + 1) << printed;
  }
}

TEST(StoredForm, NumbersThatDoNotFitAreRefusedNotChanged) {
  const NumberCase cases[] = {
      {12345678.9, 10, 2, nullptr},  // "12345678.90" is 11 characters
      {-99999, 5, 0, nullptr},
      {10000000000, 10, 0, nullptr},
      {9.995, 4, 2, nullptr},  // rounds up to 10.00, one digit too many
  };
  for (const NumberCase& c : cases) {
    EXPECT_THROW(StoredNumber(Field('N', c.width, c.decimals), c.value), EFieldError) << c.value;
  }
  EXPECT_THROW(StoredNumber(Field('N', 10, 2), std::numeric_limits<double>::infinity()),
               EFieldError);
  EXPECT_THROW(StoredNumber(Field('C', 10), 1), EFieldError);
}

TEST(StoredForm, WholeNumbersAreExactBeyondThirtyTwoBits) {
  EXPECT_EQ(StoredInteger(Field('N', 10), 4294967296), "4294967296");
  EXPECT_EQ(StoredInteger(Field('N', 13, 2), 2147483648), "2147483648.00");
  EXPECT_THROW(StoredInteger(Field('N', 12, 2), 2147483648), EFieldError);
  EXPECT_THROW(StoredInteger(Field('N', 10), 12345678901), EFieldError);
  EXPECT_EQ(StoredInteger(Field('N', 6), -42), "   -42");
}

TEST(StoredForm, ReadsByKind) {
  EXPECT_EQ(ReadAsString(Field('C', 6), "ABC   ", false), "ABC");
  EXPECT_EQ(ReadAsString(Field('C', 6), "      ", false), "");
  EXPECT_EQ(ReadAsString(Field('N', 10, 2), "   1250.50", false), "1250.5");
  EXPECT_EQ(ReadAsString(Field('N', 10, 2), "          ", false), "");
  EXPECT_EQ(ReadAsString(Field('N', 6, 0), "    -5", false), "-5");
  EXPECT_EQ(ReadAsString(Field('L', 1), "T", false), "True");
  EXPECT_DOUBLE_EQ(ReadAsFloat(Field('N', 10, 2), "   1250.50"), 1250.5);
  EXPECT_DOUBLE_EQ(ReadAsFloat(Field('N', 10, 2), "          "), 0);
  EXPECT_EQ(ReadAsDate(Field('D', 8), "20240305"), *Date::FromYmd(2024, 3, 5));
  EXPECT_TRUE(ReadAsDate(Field('D', 8), "        ").IsNull());
  EXPECT_TRUE(ReadAsDate(Field('D', 8), "20240231").IsNull());
}

TEST(StoredForm, WholeNumbersReadExactlyAndRoundHalfAway) {
  const struct {
    const char* stored;
    int64_t value;
  } cases[] = {
      {"9999999999", 9999999999},
      {"2147483648", 2147483648},
      {"  1234.50", 1235},
      {" -1234.50", -1235},
      {"  1234.49", 1234},
      {"          ", 0},
      {"12345678901234567", 12345678901234567},  // beyond a double's exact integers
      // Around the 64-bit limit: the longest runs saturate, and only they.
      {"999999999999999999", 999999999999999999},
      {"9223372036854775807", 9223372036854775807},
      {"-9223372036854775807", -9223372036854775807},
      {"9223372036854775808", 9223372036854775807},
      {"99999999999999999999", 9223372036854775807},
      {"-99999999999999999999", -9223372036854775807},
      {"9223372036854775806.5", 9223372036854775807},
      {"9223372036854775807.5", 9223372036854775807},
      {"922337203685477580.5", 922337203685477581},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReadAsInt64(Field('N', 20, 2), c.stored), c.value) << c.stored;
}

TEST(StoredForm, TextIsPaddedCutAndConvertedToOem) {
  EXPECT_EQ(StoredText(Field('C', 15), "12345678901234567890", false), "123456789012345");
  EXPECT_EQ(StoredText(Field('C', 5), "AB", false), "AB   ");
  // e-acute is 0xE9 in Windows-1252 and 0x82 in code page 437.
  EXPECT_EQ(StoredText(Field('C', 3), "\xE9", true), "\x82  ");
  EXPECT_EQ(StoredText(Field('C', 3), "\xE9", false), "\xE9  ");
  EXPECT_EQ(ReadAsString(Field('C', 3), "\x82  ", true), "\xE9");
  EXPECT_EQ(StoredText(Field('N', 8, 2), "12.5", false), "   12.50");
  EXPECT_THROW(StoredText(Field('N', 8, 2), "12x", false), EFieldError);
}

TEST(StoredForm, GeneralNumberTextKeepsFifteenDigits) {
  EXPECT_EQ(GeneralNumberText(1250.5), "1250.5");
  EXPECT_EQ(GeneralNumberText(0.1 + 0.2), "0.3");
  EXPECT_EQ(GeneralNumberText(9999999999), "9999999999");
  EXPECT_EQ(GeneralNumberText(-0.0), "0");
}

}  // namespace
}  // namespace volarin

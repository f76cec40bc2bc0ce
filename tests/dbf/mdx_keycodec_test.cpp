#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dbf/mdx/keycodec.h"

namespace volarin::dbf {
namespace {

std::string Hex(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02X ", c);
    out += buf;
  }
  if (!out.empty()) out.pop_back();
  return out;
}

std::string Pad(std::string hex) {
  while (hex.size() < 12 * 3 - 1) hex += " 00";
  return hex;
}

const uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}

// Values written by an independent dBASE-level writer; byte 1's digit count differs between
// writers (readers ignore it), so it is compared apart.
TEST(NumericKey, MatchesTheBcdOfIndependentFiles) {
  struct Case {
    const char* text;
    const char* hex;  // bytes 0 and 2.. (byte 1 replaced by its sign bit only)
    bool negative;
    int digits;
  };
  const std::vector<Case> cases = {
      {"0", "34 00", false, 0},
      {"1", "35 00 10", false, 1},
      {"-1", "35 00 10", true, 1},
      {"-5", "35 00 50", true, 1},
      {"10", "36 00 10", false, 1},
      {"17", "36 00 17", false, 2},
      {"999", "37 00 99 90", false, 3},
      {"1234", "38 00 12 34", false, 4},
      {"1250.50", "38 00 12 50 50", false, 5},
      {"  -1250.5", "38 00 12 50 50", true, 5},
      {"12.34", "36 00 12 34", false, 4},
      {"0.75", "34 00 75", false, 2},
      {"0.05", "33 00 50", false, 1},
      {"0.001", "32 00 10", false, 1},
      {"-0.01", "33 00 10", true, 1},
      {"1000000", "3B 00 10", false, 1},
      {"123456789012.5", "40 00 12 34 56 78 90 12 50", false, 13},
      {"99.99", "36 00 99 99", false, 4},
  };
  for (const Case& c : cases) {
    std::string key = NumericKeyFromText(c.text);
    ASSERT_EQ(key.size(), 12u);
    const unsigned char byte1 = static_cast<unsigned char>(key[1]);
    EXPECT_EQ((byte1 & 0x80) != 0, c.negative) << c.text;
    EXPECT_EQ(byte1 & 0x7F, c.digits == 0 ? 1 : 4 * c.digits + 1) << c.text;
    key[1] = 0;
    EXPECT_EQ(Hex(key), Pad(c.hex)) << c.text;
  }
}

TEST(NumericKey, FromDoubleUsesTheShortestDecimal) {
  // A double does not hold 99.99 exactly; the key must still carry the digits 9999 only.
  EXPECT_EQ(NumericKey(99.99), NumericKeyFromText("99.99"));
  EXPECT_EQ(NumericKey(99999999.99), NumericKeyFromText("99999999.99"));
  EXPECT_EQ(NumericKey(-0.0), NumericKeyFromText("0"));
  EXPECT_EQ(NumericKey(1e-7), NumericKeyFromText("0.0000001"));
}

TEST(NumericKey, OrdersByValue) {
  const std::vector<const char*> ascending = {"-1250.5", "-5",  "-0.01", "0",    "0.001",
                                              "0.05",    "0.5", "1",     "10",   "12.34",
                                              "99.99",   "100", "1234",  "1250", "1250.5"};
  for (size_t i = 0; i < ascending.size(); ++i) {
    for (size_t j = 0; j < ascending.size(); ++j) {
      const std::string a = NumericKeyFromText(ascending[i]);
      const std::string b = NumericKeyFromText(ascending[j]);
      const int expected = i < j ? -1 : (i > j ? 1 : 0);
      EXPECT_EQ(CompareKeys(KeyType::Numeric, Bytes(a), Bytes(b), 12), expected)
          << ascending[i] << " vs " << ascending[j];
    }
  }
}

TEST(NumericKey, ReadsLikeANumericField) {
  EXPECT_EQ(NumericKeyFromText("          "), NumericKeyFromText("0"));
  EXPECT_EQ(NumericKeyFromText("12ab"), NumericKeyFromText("12"));
  EXPECT_EQ(NumericKeyFromText("abc"), NumericKeyFromText("0"));
  EXPECT_EQ(NumericKeyFromText("+007.50"), NumericKeyFromText("7.5"));
  // More digits than a key holds are rounded at the twentieth.
  EXPECT_EQ(KeyToText(KeyType::Numeric, NumericKeyFromText("1.23456789012345678905")),
            "1.2345678901234567891");
  EXPECT_EQ(KeyToText(KeyType::Numeric, NumericKeyFromText("9.99999999999999999999")), "10");
}

TEST(NumericKey, ReadsBackAsText) {
  for (const char* text : {"0", "5", "-5", "1250.5", "-1250.5", "0.001", "-0.01", "1000000",
                           "123456789012.5", "99.99", "0.75"}) {
    EXPECT_EQ(KeyToText(KeyType::Numeric, NumericKeyFromText(text)), text);
  }
  EXPECT_DOUBLE_EQ(NumericKeyValue(NumericKeyFromText("-12.25")), -12.25);
}

TEST(DateKey, HoldsTheJulianDayAsADouble) {
  struct Case {
    int y, m, d;
    const char* hex;
  };
  const std::vector<Case> cases = {
      {1899, 12, 30, "00 00 00 80 D5 6C 42 41"}, {1970, 1, 1, "00 00 00 00 C6 9E 42 41"},
      {1999, 12, 31, "00 00 00 00 2C B4 42 41"}, {2000, 1, 1, "00 00 00 80 2C B4 42 41"},
      {2024, 2, 29, "00 00 00 00 69 C5 42 41"},  {2024, 3, 15, "00 00 00 80 70 C5 42 41"},
  };
  for (const Case& c : cases) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04d%02d%02d", c.y, c.m, c.d);
    const std::string key = DateKeyFromDigits(digits);
    EXPECT_EQ(Hex(key), c.hex) << digits;
    EXPECT_EQ(KeyToText(KeyType::Date, key), digits);
    // 1899-12-30 is day 0 of our Date type, which also means "no date"; digits still index it.
    const Date date = *Date::FromYmd(c.y, c.m, c.d);
    if (!date.IsNull()) {
      EXPECT_EQ(DateKey(date), key) << digits;
    }
  }
  EXPECT_EQ(Hex(DateKeyFromDigits("        ")), "00 00 00 00 00 00 00 00");
  EXPECT_EQ(KeyToText(KeyType::Date, DateKey(Date())), "");
}

TEST(DateKey, OrdersByDayNotByBytes) {
  // Little-endian doubles do not sort as bytes: 2000-01-01 has a larger first byte than
  // 2024-02-29 but is the earlier day.
  const std::string blank = DateKey(Date());
  const std::string y2000 = DateKeyFromDigits("20000101");
  const std::string y2024 = DateKeyFromDigits("20240229");
  EXPECT_LT(CompareKeys(KeyType::Date, Bytes(y2000), Bytes(y2024), 8), 0);
  EXPECT_GT(CompareKeys(KeyType::Date, Bytes(y2024), Bytes(y2000), 8), 0);
  EXPECT_LT(CompareKeys(KeyType::Date, Bytes(blank), Bytes(y2000), 8), 0);
  EXPECT_EQ(CompareKeys(KeyType::Date, Bytes(y2000), Bytes(y2000), 8), 0);
}

TEST(CharacterKey, IsBlankPaddedAndComparedAsUnsignedBytes) {
  EXPECT_EQ(CharacterKey("ADAMS", 12), "ADAMS       ");
  EXPECT_EQ(CharacterKey("ABCDEFGHIJ", 4), "ABCD");
  const std::string low = CharacterKey("Z", 2);
  const std::string high = CharacterKey("\xC4", 2);  // a code-page letter above 0x7F
  EXPECT_LT(CompareKeys(KeyType::Character, Bytes(low), Bytes(high), 2), 0);
  EXPECT_EQ(KeyToText(KeyType::Character, "SMITH   "), "SMITH");
  EXPECT_EQ(SearchKey(KeyType::Character, 4, "ABCDEF"), "ABCD");
  EXPECT_EQ(SearchKey(KeyType::Character, 12, "AD"), "AD");
  EXPECT_EQ(SearchKey(KeyType::Date, 8, "20240315"), DateKeyFromDigits("20240315"));
  EXPECT_EQ(SearchKey(KeyType::Numeric, 12, "1250.50"), NumericKeyFromText("1250.5"));
}

}  // namespace
}  // namespace volarin::dbf

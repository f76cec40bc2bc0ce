// Numbers as text: the rounding that N fields and STR() share, and STR() of a numeric field
// written from its stored digits, which must give the very bytes the way through a double gives.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "dbf/expression.h"
#include "dbf/numbertext.h"

namespace volarin::dbf {
namespace {

// The rounding written plainly, a string per step: the model the allocation-free version must
// match byte for byte.
std::string ModelRoundedDecimal(double value, int decimals) {
  if (!std::isfinite(value)) return {};
  if (decimals < 0) decimals = 0;
  const bool negative = std::signbit(value);
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                          std::chars_format::scientific);
  if (error != std::errc()) return {};
  const std::string text(buffer, end);
  const size_t e = text.find('e');
  std::string digits;
  for (size_t i = 0; i < e; ++i) {
    if (text[i] != '.') digits += text[i];
  }
  int intDigits = std::stoi(text.substr(e + 1)) + 1;
  const int keep = intDigits + decimals;
  if (keep < 0) {
    digits.clear();
  } else if (keep < static_cast<int>(digits.size())) {
    const bool up = digits[static_cast<size_t>(keep)] >= '5';
    digits.resize(static_cast<size_t>(keep));
    if (up) {
      int i = keep - 1;
      while (i >= 0 && digits[static_cast<size_t>(i)] == '9')
        digits[static_cast<size_t>(i--)] = '0';
      if (i >= 0) {
        ++digits[static_cast<size_t>(i)];
      } else {
        digits.insert(digits.begin(), '1');
        ++intDigits;
      }
    }
  }
  const auto digitAt = [&](int pos) {
    return pos >= 0 && pos < static_cast<int>(digits.size()) ? digits[static_cast<size_t>(pos)]
                                                             : '0';
  };
  std::string integer, fraction;
  for (int pos = 0; pos < intDigits; ++pos) integer += digitAt(pos);
  for (int pos = intDigits; pos < intDigits + decimals; ++pos) fraction += digitAt(pos);
  const size_t nonZero = integer.find_first_not_of('0');
  integer = nonZero == std::string::npos ? "0" : integer.substr(nonZero);
  const bool zero = integer == "0" && fraction.find_first_not_of('0') == std::string::npos;
  std::string result = (negative && !zero) ? "-" : "";
  result += integer;
  if (decimals > 0) result += "." + fraction;
  return result;
}

TEST(RoundedDecimal, RoundsHalfAwayFromZeroOnTheShortestDigits) {
  struct Case {
    double value;
    int decimals;
    const char* text;
  };
  const Case cases[] = {
      {0.0, 0, "0"},
      {-0.0, 2, "0.00"},
      {-0.001, 2, "0.00"},
      {-0.005, 2, "-0.01"},
      {0.5, 0, "1"},
      {0.4, 0, "0"},
      {-0.5, 0, "-1"},
      {1250.455, 2, "1250.46"},
      {1250.5, 2, "1250.50"},
      {999.995, 2, "1000.00"},
      {9.5, 0, "10"},
      {0.000123, 5, "0.00012"},
      {0.000125, 5, "0.00013"},
      {123456789.0, -3, "123456789"},
      {1e20, 1, "100000000000000000000.0"},
      {12345678901234567.0, 0, "12345678901234568"},
      {1e-7, 3, "0.000"},
      {0.06, 1, "0.1"},
      {-7.0, 3, "-7.000"},
      {-0.0, 0, "0"},
      {-42.0, 0, "-42"},
      {999999999999999.0, 1, "999999999999999.0"},
      {-1e15, 0, "-1000000000000000"},
      {9007199254740993.0, 0, "9007199254740992"},
      {92030920993190384.0, 0, "92030920993190380"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    EXPECT_EQ(RoundedDecimal(c.value, c.decimals), c.text);
    EXPECT_EQ(ModelRoundedDecimal(c.value, c.decimals), c.text);
  }
  EXPECT_EQ(RoundedDecimal(std::numeric_limits<double>::quiet_NaN(), 2), "");
  EXPECT_EQ(RoundedDecimal(-std::numeric_limits<double>::infinity(), 0), "");
  EXPECT_EQ(FormatNumber(-12.345, 8, 2), "  -12.35");
  EXPECT_EQ(FormatNumber(-12.345, 5, 2), std::nullopt);
  EXPECT_EQ(FormatNumber(std::numeric_limits<double>::infinity(), 20, 0), std::nullopt);
}

TEST(RoundedDecimal, AppendsAfterWhatTheStringHolds) {
  std::string out = "key:";
  EXPECT_TRUE(AppendRoundedDecimal(-0.0004, 3, out));
  EXPECT_EQ(out, "key:0.000");
  EXPECT_TRUE(AppendRoundedDecimal(-2.25, 1, out));
  EXPECT_EQ(out, "key:0.000-2.3");
  EXPECT_FALSE(AppendRoundedDecimal(std::numeric_limits<double>::quiet_NaN(), 1, out));
  EXPECT_EQ(out, "key:0.000-2.3");
}

// Random values of every scale, decimal fractions typed by people (halves included), whole
// numbers and raw bit patterns, at every number of decimals a field or STR() can ask for.
TEST(RoundedDecimal, MatchesTheModelOnRandomValues) {
  std::mt19937_64 random(26);
  for (int i = 0; i < 200000; ++i) {
    double value = 0;
    switch (i % 5) {
      case 0: {  // digits / 10^k: amounts and their halves
        const auto digits = static_cast<double>(random() % 100000000000ULL);
        value = digits / std::pow(10.0, static_cast<int>(random() % 12));
        break;
      }
      case 1:  // x.5 at some scale
        value = (static_cast<double>(random() % 100000) + 0.5) /
                std::pow(10.0, static_cast<int>(random() % 6));
        break;
      case 2: {  // any finite double
        const uint64_t bits = random();
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) value = 1.0;
        break;
      }
      case 3:  // whole numbers on both sides of 10^15
        value = static_cast<double>(random() % 20000000000000000ULL);
        break;
      default:  // wide range of magnitudes
        value = std::ldexp(static_cast<double>(random() % (1ULL << 53)),
                           static_cast<int>(random() % 140) - 100);
    }
    if (random() % 2) value = -value;
    const int decimals = static_cast<int>(random() % 22) - 2;
    ASSERT_EQ(RoundedDecimal(value, decimals), ModelRoundedDecimal(value, decimals))
        << "value " << value << " decimals " << decimals;
  }
}

// One numeric field of each kind; the tests store any text they like in it.
RecordLayout NumberLayout() {
  return RecordLayout({{"WIDE", 'N', 20, 0, 0},
                       {"CHECKNO", 'N', 10, 0, 0},
                       {"AMOUNT", 'N', 12, 2, 0},
                       {"RATE", 'F', 20, 4, 0}});
}

class StrOfStoredText : public ::testing::Test {
 protected:
  // STR() of the field itself, which may be written from the stored digits, and the same
  // value behind IIF(), which always goes through the double.
  struct Pair {
    std::unique_ptr<Expression> direct;
    std::unique_ptr<Expression> throughDouble;
  };
  Pair Parse(const std::string& field, const std::string& format) {
    return {Expression::ParseOrThrow("STR(" + field + format + ")", layout_),
            Expression::ParseOrThrow("STR(IIF(.T., " + field + ", 0)" + format + ")", layout_)};
  }
  // The text right-aligned in the field, as stored numbers are; longer texts are cut.
  void Store(const std::string& field, const std::string& text) {
    const FieldInfo& f = layout_.Field(layout_.FindField(field));
    const size_t width = static_cast<size_t>(f.width);
    std::string stored = text.substr(0, width);
    stored.insert(0, width - stored.size(), ' ');
    record_.replace(static_cast<size_t>(f.offset), width, stored);
  }
  RecordView View() const { return RecordView{&layout_, record_, 1}; }

  RecordLayout layout_ = NumberLayout();
  std::string record_ = layout_.BlankRecord();
};

TEST_F(StrOfStoredText, GivesTheBytesOfTheWayThroughADouble) {
  struct Case {
    const char* field;
    std::string stored;
    const char* format;  // the arguments after the field
    std::string result;
  };
  const Case cases[] = {
      // the register's key part
      {"CHECKNO", "1001", ",10", "      1001"},
      {"CHECKNO", "", ",10", "         0"},
      {"CHECKNO", "0", ",10", "         0"},
      {"CHECKNO", "-0", ",10", "         0"},
      {"CHECKNO", "-000", ",10", "         0"},
      {"CHECKNO", "-", ",10", "         0"},
      {"CHECKNO", "-1001", ",10", "     -1001"},
      {"CHECKNO", "+42", ",10", "        42"},
      {"CHECKNO", "0000001001", ",10", "      1001"},
      {"CHECKNO", "9999999999", ",10", "9999999999"},
      {"CHECKNO", "-999999999", ",10", "-999999999"},
      {"CHECKNO", "1001", "", "      1001"},
      // widths smaller and larger than the field, decimals asked for
      {"CHECKNO", "123456", ",4", "****"},
      {"CHECKNO", "-1234", ",4", "****"},
      {"CHECKNO", "1234", ",4", "1234"},
      {"CHECKNO", "-0", ",1", "0"},
      {"CHECKNO", "-5", ",1", "*"},
      {"CHECKNO", "7", ",6,3", " 7.000"},
      {"CHECKNO", "1234", ",6,3", "1234.0"},
      {"CHECKNO", "-12", ",4,2", " -12"},
      {"CHECKNO", "", ",4,2", "0.00"},
      {"CHECKNO", "55", ",25,18", "    55.000000000000000000"},
      {"CHECKNO", "1001", ",0", "*"},
      {"CHECKNO", "1001", ",300", std::string(251, ' ') + "1001"},
      // digits a double does not hold exactly
      {"WIDE", "999999999999999", ",20", "     999999999999999"},
      {"WIDE", "-999999999999999", ",20", "    -999999999999999"},
      {"WIDE", "00000999999999999999", ",20", "     999999999999999"},
      {"WIDE", "9999999999999999", ",20", "   10000000000000000"},
      {"WIDE", "9007199254740993", ",20", "    9007199254740992"},
      {"WIDE", "12345678901234567", ",20", "   12345678901234568"},
      {"WIDE", "99999999999999999999", ",20", "********************"},
      // not the plain whole form: read up to the first other character
      {"WIDE", "12.5", ",10", "        13"},
      {"WIDE", "12.4", ",10,1", "      12.4"},
      {"WIDE", "1E3", ",10", "         1"},
      {"WIDE", "12ab", ",10", "        12"},
      {"WIDE", "12 ", ",10", "        12"},
      {"WIDE", "1 2", ",10", "         1"},
      {"WIDE", "abc", ",10", "         0"},
      {"WIDE", "--5", ",10", "         0"},
      {"WIDE", "- 5", ",10", "         0"},
      {"WIDE", "\t77", ",10", "        77"},
      {"WIDE",
       std::string("\0\0"
                   "8",
                   3),
       ",10", "         8"},
      // fields with decimals
      {"AMOUNT", "1250.50", ",10", "      1251"},
      {"AMOUNT", "1250.50", ",10,2", "   1250.50"},
      {"AMOUNT", "-0.49", ",5", "    0"},
      {"AMOUNT", "1250", ",10,2", "   1250.00"},
      {"RATE", "3.1416", ",8,3", "   3.142"},
      {"RATE", "12", ",8,3", "  12.000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " holding \"" + c.stored + "\", STR(" + c.field + c.format +
                 ")");
    Store(c.field, c.stored);
    const Pair str = Parse(c.field, c.format);
    EXPECT_EQ(str.direct->Text(View()), c.result);
    EXPECT_EQ(str.throughDouble->Text(View()), c.result);
  }
}

TEST_F(StrOfStoredText, KeyOfTheRegisterTagMatchesOnTheWayThroughADouble) {
  // Both halves of the key, with the text appended after the account number.
  const auto direct = Expression::ParseOrThrow("STR(WIDE,8)+STR(CHECKNO,10)", layout_);
  const auto viaDouble =
      Expression::ParseOrThrow("STR(IIF(.T.,WIDE,0),8)+STR(IIF(.T.,CHECKNO,0),10)", layout_);
  Store("WIDE", "-17");
  Store("CHECKNO", "0000004711");
  std::string key = "leftover text that is replaced";
  direct->TextInto(View(), key);
  EXPECT_EQ(key, "     -17      4711");
  EXPECT_EQ(viaDouble->Text(View()), key);
}

// Stored texts near the plain whole form and far from it, in every format: the digits' way and
// the double's way agree on every one.
TEST_F(StrOfStoredText, MatchesTheWayThroughADoubleOnRandomTexts) {
  const char* const formats[] = {"",     ",1",   ",2",    ",4",     ",8",   ",10",
                                 ",15",  ",16",  ",17",   ",20",    ",25",  ",10,2",
                                 ",6,3", ",4,1", ",20,5", ",25,18", ",3,2", ",12,1"};
  std::vector<Pair> pairs;
  for (const char* format : formats) pairs.push_back(Parse("WIDE", format));
  const std::string others = " -+.eE,x\t";
  std::mt19937 random(2026);
  const auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  constexpr int kTexts = 20000;
  int plain = 0, notPlain = 0;
  for (int i = 0; i < kTexts; ++i) {
    std::string text(pick(4), ' ');
    if (pick(3) == 0) text += pick(4) == 0 ? '+' : '-';
    text.append(pick(3) == 0 ? pick(6) : 0, '0');
    const size_t digits = pick(21);
    for (size_t k = 0; k < digits; ++k) text += static_cast<char>('0' + pick(10));
    // Now and then one character that leaves the plain form.
    if (!text.empty() && pick(4) == 0) text[pick(text.size())] = others[pick(others.size())];
    if (pick(20) == 0) text += '.' + std::to_string(pick(100));
    Store("WIDE", text);
    const std::string stored(View().Stored(0));
    (PlainWholeNumber(stored) ? plain : notPlain)++;
    for (size_t f = 0; f < pairs.size(); ++f) {
      ASSERT_EQ(pairs[f].direct->Text(View()), pairs[f].throughDouble->Text(View()))
          << "stored \"" << stored << "\", STR(WIDE" << formats[f] << ")";
    }
  }
  // Both ways were taken often.
  EXPECT_GT(plain, kTexts / 4);
  EXPECT_GT(notPlain, kTexts / 4);
}

TEST(PlainWholeNumber, TakesOnlyTextThatReadsExactly) {
  struct Case {
    std::string stored;
    bool plain;
    bool negative;
    const char* digits;
  };
  const Case cases[] = {
      {"      1001", true, false, "1001"},
      {"-0000001001", true, true, "1001"},
      {"+7", true, false, "7"},
      {"     ", true, false, ""},
      {"", true, false, ""},
      {"  -0", true, false, ""},
      {"123456789012345", true, false, "123456789012345"},
      {"0000123456789012345", true, false, "123456789012345"},
      {"1234567890123456", false, false, ""},
      {"12 ", false, false, ""},
      {"1.0", false, false, ""},
      {"1e3", false, false, ""},
      {"- 1", false, false, ""},
      {"--1", false, false, ""},
      {"x", false, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.stored + "\"");
    const std::optional<WholeNumberText> whole = PlainWholeNumber(c.stored);
    ASSERT_EQ(whole.has_value(), c.plain);
    if (!whole) continue;
    EXPECT_EQ(whole->negative, c.negative);
    EXPECT_EQ(whole->digits, c.digits);
  }
}

}  // namespace
}  // namespace volarin::dbf

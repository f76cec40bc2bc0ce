#include "common/text.h"

#include <gtest/gtest.h>

#include "common/errors.h"

namespace volarin {
namespace {

TEST(TrimText, RemovesBlanksAndControlCharactersAtBothEnds) {
  EXPECT_EQ(TrimText("  \t abc \r\n\x01"), "abc");
  EXPECT_EQ(TrimText(""), "");
  EXPECT_EQ(TrimText(" \x1f "), "");
  // Bytes above 127 are letters of the Windows code page, never blanks.
  EXPECT_EQ(TrimText("\xe9t\xe9 "), "\xe9t\xe9");
}

// Against a byte-by-byte reading of the same rule, over padding of every length around the
// eight-byte steps and blanks other than spaces among it.
TEST(TrimView, AgreesWithTheRuleOverPaddingOfEveryLength) {
  const auto byRule = [](std::string_view text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
  };
  for (const std::string core : {"", "A", " x\x01y ", "\xe9", "\t", "ab\tcd"}) {
    for (size_t pad = 0; pad <= 20; ++pad) {
      for (const std::string tail : {"", "\r", "\x01 "}) {
        const std::string text = core + std::string(pad, ' ') + tail + std::string(pad / 2, ' ');
        EXPECT_EQ(TrimView(text), byRule(text)) << "'" << text << "'";
        std::string_view kept = text;
        while (!kept.empty() && kept.back() == ' ') kept.remove_suffix(1);
        EXPECT_EQ(WithoutTrailingSpaces(text), kept) << "'" << text << "'";
      }
    }
  }
}

TEST(DigitsOnly, KeepsDigitsInOrder) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"   ", "0"}, {"", "0"},    {"A1B2", "12"},
               {"-5", "5"},  {"abc", "0"}, {" 00 12 ", "0012"}};
  for (const Case& c : cases) EXPECT_EQ(DigitsOnly(c.in), c.out) << c.in;
}

TEST(TextToInt64, DropsSignsAndOtherCharacters) {
  struct Case {
    const char* in;
    int64_t out;
  } cases[] = {{"", 0},
               {"   ", 0},
               {"-5", 5},
               {"12-A", 12},
               {"0000001234", 1234},
               {"9999999999", 9999999999LL},  // ten-digit check numbers stay whole
               {"9223372036854775807", INT64_MAX}};
  for (const Case& c : cases) EXPECT_EQ(TextToInt64(c.in), c.out) << c.in;
}

TEST(TextToInt64, RefusesNumbersPastTheRange) {
  for (const char* in : {"9223372036854775808", "99999999999999999999999"}) {
    try {
      TextToInt64(in);
      FAIL() << in;
    } catch (const ConversionError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(in) + "' is not a valid integer value");
    }
  }
}

TEST(Int64ToText, PlainDecimal) {
  EXPECT_EQ(Int64ToText(0), "0");
  EXPECT_EQ(Int64ToText(-42), "-42");
  EXPECT_EQ(Int64ToText(INT64_MIN), "-9223372036854775808");
}

TEST(SubText, ClampsToTheText) {
  struct Case {
    const char* text;
    int start, count;
    const char* out;
  } cases[] = {
      {"abc", 2, 5, "bc"}, {"abc", 4, 1, ""},    {"abc", 2, 0, ""},  {"abc", 1, -3, ""},
      {"", 1, 1, ""},      {"abc", 1, 3, "abc"}, {"abc", 3, 1, "c"}, {"abc", 2, 2147483647, "bc"}};
  for (const Case& c : cases) EXPECT_EQ(SubText(c.text, c.start, c.count), c.out);
}

TEST(Pad, LeftNeverCutsRightAlwaysGivesTheWidth) {
  const std::string eleven = "ABCDEFGHIJK";
  EXPECT_EQ(PadLeft(' ', eleven, 10), eleven);
  EXPECT_EQ(PadRight(' ', eleven, 10), "ABCDEFGHIJ");
  EXPECT_EQ(PadLeft('0', "42", 6), "000042");
  EXPECT_EQ(PadRight(' ', "42", 5), "42   ");
  EXPECT_EQ(PadRight(' ', "", 0), "");
  EXPECT_EQ(RepeatChar('x', -1), "");
}

TEST(ReplaceAll, ReplacesLeftToRightWithoutOverlap) {
  struct Case {
    const char *text, *pattern, *replacement, *out;
  } cases[] = {
      {"", "a", "b", ""},
      {"aaaa", "aa", "b", "bb"},
      {"aaa", "aa", "b", "ba"},
      {"a&b&&c", "&", "&&", "a&&b&&&&c"},  // the replacement is never searched again
      {"Hello", "l", "", "Heo"},
      {"abcabc", "abc", "x", "xx"},
      {"xyz", "abcd", "q", "xyz"},
      {"Case case", "case", "X", "Case X"},
      {"ab\xff\xff"
       "cd",
       "\xff", "-", "ab--cd"},
      {"abababx", "ababx", "!", "ab!"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceAll(c.text, c.pattern, c.replacement), c.out) << c.text << " / " << c.pattern;
  }
}

}  // namespace
}  // namespace volarin

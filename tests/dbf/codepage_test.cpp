// OEM 437 <-> Windows 1252: exact where both code pages have the character, one byte always.
#include "dbf/codepage.h"

#include <gtest/gtest.h>

namespace volarin::dbf {
namespace {

TEST(CodePage, KnownCharactersBothWays) {
  struct Pair {
    unsigned char oem, windows;
    const char* what;
  };
  const Pair pairs[] = {{0x82, 0xE9, "e acute"}, {0x84, 0xE4, "a umlaut"},
                        {0x9C, 0xA3, "pound"},   {0xAB, 0xBD, "one half"},
                        {0xE1, 0xDF, "sharp s"}, {0x8E, 0xC4, "A umlaut"},
                        {0xA5, 0xD1, "N tilde"}, {0xFF, 0xA0, "no-break space"}};
  for (const Pair& p : pairs) {
    SCOPED_TRACE(p.what);
    EXPECT_EQ(static_cast<unsigned char>(OemToWindows(static_cast<char>(p.oem))), p.windows);
    EXPECT_EQ(static_cast<unsigned char>(WindowsToOem(static_cast<char>(p.windows))), p.oem);
  }
}

TEST(CodePage, BestFitWhereNoExactCharacterExists) {
  EXPECT_EQ(WindowsToOem("\xC0"), "A");            // A grave is not in 437
  EXPECT_EQ(WindowsToOem("\x80"), "E");            // euro sign
  EXPECT_EQ(WindowsToOem("\x93\x94"), "\"\"");     // curly quotes
  EXPECT_EQ(WindowsToOem("\x81"), "?");            // unassigned in 1252
  EXPECT_EQ(OemToWindows("\xC4\xB3\xC5"), "-|+");  // box drawing
  EXPECT_EQ(OemToWindows("\xE3"), "p");            // pi
}

TEST(CodePage, AsciiUnchangedAndWidthKept) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string windows = OemToWindows(all), oem = WindowsToOem(all);
  ASSERT_EQ(windows.size(), 256u);
  ASSERT_EQ(oem.size(), 256u);
  EXPECT_EQ(windows.substr(0, 128), all.substr(0, 128));
  EXPECT_EQ(oem.substr(0, 128), all.substr(0, 128));
}

TEST(CodePage, RoundTripIsLosslessForSharedCharacters) {
  // Every Windows-1252 character that code page 437 also has (accented letters, currency,
  // fractions, Latin-1 signs), in 1252 bytes.
  const std::string shared =
      "\xC7\xFC\xE9\xE2\xE4\xE0\xE5\xE7\xEA\xEB\xE8\xEF\xEE\xEC\xC4\xC5"
      "\xC9\xE6\xC6\xF4\xF6\xF2\xFB\xF9\xFF\xD6\xDC\xA2\xA3\xA5\xE1\xED"
      "\xF3\xFA\xF1\xD1\xAA\xBA\xBF\xAC\xBD\xBC\xA1\xAB\xBB\xDF\xB5\xB1"
      "\xF7\xB0\xB2\xB7";
  const std::string oem = WindowsToOem(shared);
  for (char c : oem) EXPECT_GE(static_cast<unsigned char>(c), 0x80);  // exact, not a best fit
  EXPECT_EQ(OemToWindows(oem), shared);
}

TEST(CodePage, LanguageBytes) {
  EXPECT_EQ(CodePageOfLanguageByte(0x01), CodePage::kOem437);
  EXPECT_EQ(CodePageOfLanguageByte(0x1B), CodePage::kOem437);
  EXPECT_EQ(CodePageOfLanguageByte(0x02), CodePage::kOem850);
  EXPECT_EQ(CodePageOfLanguageByte(0x58), CodePage::kWindows1252);
  EXPECT_EQ(CodePageOfLanguageByte(0x00), CodePage::kUnknown);
}

}  // namespace
}  // namespace volarin::dbf

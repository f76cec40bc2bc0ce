// The Windows-1252 <-> QString conversion every window and the report draw their texts through.
#include "qtcommon/qttext.h"

#include <gtest/gtest.h>

#include <string>

namespace volarin {
namespace {

TEST(QtText, Windows1252BytesBecomeTheirCharacters) {
  const struct {
    unsigned char byte;
    char16_t character;
  } cases[] = {{0x41, u'A'},   {0x80, 0x20AC}, {0x81, 0x0081}, {0x8A, 0x0160}, {0x96, 0x2013},
               {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF}};
  for (const auto& c : cases) {
    const QString text = ToQString(std::string(1, static_cast<char>(c.byte)));
    ASSERT_EQ(text.size(), 1) << int(c.byte);
    EXPECT_EQ(text.at(0).unicode(), c.character) << int(c.byte);
  }
}

TEST(QtText, EveryByteComesBackUnchanged) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(FromQString(ToQString(all)), all);
}

TEST(QtText, CharactersWindows1252CannotHoldBecomeQuestionMarks) {
  const QString text =
      QStringLiteral("A") + QChar(0x0100) + QChar(0x4E2D) + QChar(0x20AC) + QChar(0x2019);
  EXPECT_EQ(FromQString(text), std::string("A??\x80\x92"));
}

}  // namespace
}  // namespace volarin

#include "qtcommon/qttext.h"

#include <array>

namespace volarin {

namespace {

// 0x80..0x9F are the only codes where Windows-1252 differs from Latin-1; the five codes it
// leaves undefined map to themselves, as Windows does.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The byte of a character outside Latin-1's single bytes, by the table above; "?" when
// Windows-1252 has none.
char ByteOfHighCharacter(char16_t c) {
  for (size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

QString ToQString(const std::string& windows1252) {
  QString result;
  result.reserve(static_cast<qsizetype>(windows1252.size()));
  for (char c : windows1252) {
    const auto code = static_cast<unsigned char>(c);
    if (code >= 0x80 && code <= 0x9F) {
      result.append(QChar(kHighControls[code - 0x80]));
    } else {
      result.append(QChar(static_cast<char16_t>(code)));
    }
  }
  return result;
}

std::string FromQString(const QString& text) {
  std::string result;
  result.reserve(static_cast<size_t>(text.size()));
  for (QChar c : text) {
    const char16_t code = c.unicode();
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
      result.push_back(static_cast<char>(code));
    } else {
      result.push_back(ByteOfHighCharacter(code));
    }
  }
  return result;
}

}  // namespace volarin

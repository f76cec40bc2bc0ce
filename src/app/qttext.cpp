#include "app/qttext.h"

#include <array>

#include "report/windowstext.h"

namespace volarin {

namespace {

// The byte of each character 0x80..0x9F of Windows-1252, found by asking the forward table.
char ByteOfHighCharacter(char16_t c) {
  static const std::array<char16_t, 32> kCharacters = [] {
    std::array<char16_t, 32> characters{};
    for (int b = 0x80; b <= 0x9F; ++b) {
      characters[static_cast<size_t>(b - 0x80)] =
          FromWindows1252(std::string(1, static_cast<char>(b))).at(0).unicode();
    }
    return characters;
  }();
  for (size_t i = 0; i < kCharacters.size(); ++i) {
    if (kCharacters[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

QString ToQString(const std::string& windows1252) {
  return FromWindows1252(windows1252);
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

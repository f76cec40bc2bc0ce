#pragma once
// Text helpers. Texts are single-byte Windows-1252 strings; positions count from 1.

#include <cstdint>
#include <string>
#include <string_view>

namespace volarin {

// A blank is any character whose code is 32 or below (space and control characters).
inline bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 32;
}
inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string TrimText(const std::string& text);
// TrimText without a copy: the part of the text between its leading and trailing blanks.
std::string_view TrimView(std::string_view text);
// The text without its trailing spaces (only ' '): a stored field without its padding.
std::string_view WithoutTrailingSpaces(std::string_view text);
std::string TrimRight(const std::string& text);
// The digits of the trimmed text in order; "0" when there are none.
std::string DigitsOnly(const std::string& text);
// The digits of the text as a number; signs and other characters are dropped, so "-5" gives 5.
// Throws ConversionError "'%s' is not a valid integer value" past the 64-bit range.
int64_t TextToInt64(const std::string& text);
std::string Int64ToText(int64_t value);
std::string SubText(const std::string& text, int start, int count);
std::string RepeatChar(char c, int count);
// Fills on the left up to width; never cuts.
std::string PadLeft(char fill, const std::string& text, int width);
// Always exactly width characters: cut or filled on the right.
std::string PadRight(char fill, const std::string& text, int width);
// Replaces every non-overlapping occurrence, left to right, using a Horspool skip table.
std::string ReplaceAll(const std::string& text, const std::string& pattern,
                       const std::string& replacement);
// Upper-cases the letters a to z only, leaving every other byte alone.
std::string UpperAscii(std::string text);

}  // namespace volarin

#include "common/text.h"

#include <array>
#include <cstring>
#include <limits>

#include "common/errors.h"

namespace volarin {

std::string TrimText(const std::string& text) {
  return std::string(TrimView(text));
}

std::string_view TrimView(std::string_view text) {
  // Stored fields are padded with spaces, which go first, eight at a time.
  text = WithoutTrailingSpaces(text);
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

std::string_view WithoutTrailingSpaces(std::string_view text) {
  size_t end = text.size();
  while (end >= 8 && std::memcmp(text.data() + end - 8, "        ", 8) == 0) end -= 8;
  while (end > 0 && text[end - 1] == ' ') --end;
  return text.substr(0, end);
}

std::string TrimRight(const std::string& text) {
  size_t last = text.size();
  while (last > 0 && IsBlank(text[last - 1])) --last;
  return text.substr(0, last);
}

std::string DigitsOnly(const std::string& text) {
  std::string digits;
  for (char c : TrimText(text)) {
    if (IsDigit(c)) digits += c;
  }
  return digits.empty() ? "0" : digits;
}

int64_t TextToInt64(const std::string& text) {
  if (TrimText(text).empty()) return 0;
  const std::string digits = DigitsOnly(text);
  constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  uint64_t value = 0;
  for (char c : digits) {
    const uint64_t d = static_cast<uint64_t>(c - '0');
    if (value > (kMax - d) / 10) {
      throw ConversionError(FillIn("'%s' is not a valid integer value", {digits}));
    }
    value = value * 10 + d;
  }
  return static_cast<int64_t>(value);
}

std::string Int64ToText(int64_t value) {
  return std::to_string(value);
}

std::string SubText(const std::string& text, int start, int count) {
  const int length = static_cast<int>(text.size());
  if (text.empty() || start > length || count <= 0) return {};
  if (start < 1) start = 1;
  const int64_t last = std::min<int64_t>(static_cast<int64_t>(start) + count - 1, length);
  if (last < start) return {};
  return text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(last - start + 1));
}

std::string RepeatChar(char c, int count) {
  return count <= 0 ? std::string() : std::string(static_cast<size_t>(count), c);
}

std::string PadLeft(char fill, const std::string& text, int width) {
  const int length = static_cast<int>(text.size());
  return length < width ? RepeatChar(fill, width - length) + text : text;
}

std::string PadRight(char fill, const std::string& text, int width) {
  if (width <= 0) return {};
  const int length = static_cast<int>(text.size());
  if (length > width) return text.substr(0, static_cast<size_t>(width));
  return text + RepeatChar(fill, width - length);
}

std::string ReplaceAll(const std::string& text, const std::string& pattern,
                       const std::string& replacement) {
  if (text.empty() || pattern.empty()) return text;
  const size_t m = pattern.size();
  std::array<size_t, 256> skip;
  skip.fill(m);
  for (size_t i = 0; i + 1 < m; ++i) skip[static_cast<unsigned char>(pattern[i])] = m - 1 - i;

  std::string out;
  out.reserve(text.size());
  size_t copied = 0;  // text before this index is already in out
  size_t pos = 0;     // candidate start of a match
  while (pos + m <= text.size()) {
    size_t j = m;
    while (j > 0 && text[pos + j - 1] == pattern[j - 1]) --j;
    if (j == 0) {
      out.append(text, copied, pos - copied);
      out += replacement;
      pos += m;
      copied = pos;
    } else {
      pos += skip[static_cast<unsigned char>(text[pos + m - 1])];
    }
  }
  out.append(text, copied, std::string::npos);
  return out;
}

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace volarin

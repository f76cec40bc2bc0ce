#pragma once
// Index keys as the .MDX file stores them, and the order dBASE IV keeps them in.
//   C  the expression's text, blank-padded (or cut) to the key length, compared byte by byte;
//   N  12 bytes of BCD: exponent byte, sign and digit-count byte, ten bytes of digit pairs;
//   D  8-byte little-endian double holding the Julian day number (0 for a blank date).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/date.h"

namespace volarin::dbf {

enum class KeyType : char { Character = 'C', Numeric = 'N', Date = 'D' };

inline constexpr int kNumericKeyLength = 12;
inline constexpr int kDateKeyLength = 8;
inline constexpr int kMaxKeyLength = 100;

std::string CharacterKey(std::string_view value, int keyLength);
// Reads sign, digits and one decimal point after leading blanks, as dBASE reads a numeric
// field; anything unreadable counts as 0. Building from the decimal text keeps 99.99 exact.
std::string NumericKeyFromText(std::string_view text);
// The shortest decimal text that reads back as the same double, then as above.
std::string NumericKey(double value);
std::string DateKey(Date date);
// "CCYYMMDD"; blank or impossible digits give the blank-date key.
std::string DateKeyFromDigits(std::string_view digits);

// The key of a search text: C as given (a shorter text matches keys starting with it, a longer
// one is cut), N a number in text, D the date as CCYYMMDD.
std::string SearchKey(KeyType type, int keyLength, std::string_view text);

// The key as a person reads it: C without trailing blanks, N a plain decimal number,
// D as CCYYMMDD (empty for a blank date).
std::string KeyToText(KeyType type, std::string_view key);
double NumericKeyValue(std::string_view key);
double DateKeyJulianDay(std::string_view key);

// Three-way comparison in ascending dBASE order over the first `length` bytes (only C keys
// may be compared over fewer bytes than the key length).
int CompareKeys(KeyType type, const uint8_t* a, const uint8_t* b, size_t length);

}  // namespace volarin::dbf

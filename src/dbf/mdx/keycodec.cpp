#include "dbf/mdx/keycodec.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "dbf/mdx/indexerror.h"

namespace volarin::dbf {
namespace {

constexpr int kExponentBias = 0x34;
constexpr int kMaxDigits = 20;
// Julian day number of the day before 1899-12-31, whose serial number is 0 in our Date.
constexpr double kJulianDayOfSerialZero = 2415019.0;

struct Decimal {
  bool negative = false;
  std::string digits;  // significant digits, no leading or trailing zeros
  int exponent = 0;    // value = 0.digits x 10^exponent
};

Decimal ParseDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= 32) ++i;
  Decimal d;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    d.negative = text[i] == '-';
    ++i;
  }
  std::string whole;
  std::string fraction;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      (point ? fraction : whole) += c;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  const size_t firstWhole = whole.find_first_not_of('0');
  if (firstWhole != std::string::npos) {
    whole.erase(0, firstWhole);
    d.exponent = static_cast<int>(whole.size());
    d.digits = whole + fraction;
  } else {
    const size_t firstFraction = fraction.find_first_not_of('0');
    if (firstFraction == std::string::npos) return Decimal{};  // zero, whatever its sign
    d.exponent = -static_cast<int>(firstFraction);
    d.digits = fraction.substr(firstFraction);
  }
  if (d.digits.size() > kMaxDigits) {
    // Round half up at the last digit the key can hold.
    const bool up = d.digits[kMaxDigits] >= '5';
    d.digits.resize(kMaxDigits);
    if (up) {
      int k = kMaxDigits - 1;
      while (k >= 0 && d.digits[k] == '9') d.digits[k--] = '0';
      if (k >= 0) {
        ++d.digits[k];
      } else {
        d.digits.insert(d.digits.begin(), '1');
        d.digits.pop_back();
        ++d.exponent;
      }
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

std::string EncodeDecimal(const Decimal& d) {
  std::string key(kNumericKeyLength, '\0');
  if (d.digits.empty()) {
    key[0] = static_cast<char>(kExponentBias);
    key[1] = 0x01;
    return key;
  }
  const int biased = kExponentBias + d.exponent;
  if (biased < 0 || biased > 255)
    throw IndexError("The number is too large or too small for a key");
  key[0] = static_cast<char>(biased);
  // Bits 2-6 count the significant digits, bit 0 is always set, bit 7 is the sign.
  key[1] =
      static_cast<char>((d.negative ? 0x80 : 0) | (static_cast<int>(d.digits.size()) << 2) | 1);
  for (size_t i = 0; i < d.digits.size(); ++i) {
    const int digit = d.digits[i] - '0';
    key[2 + i / 2] = static_cast<char>(key[2 + i / 2] | (i % 2 == 0 ? digit << 4 : digit));
  }
  return key;
}

bool DigitsAreZero(const uint8_t* key) {
  for (int i = 2; i < kNumericKeyLength; ++i) {
    if (key[i] != 0) return false;
  }
  return true;
}

int CompareNumeric(const uint8_t* a, const uint8_t* b) {
  const int signA = DigitsAreZero(a) ? 0 : (a[1] & 0x80 ? -1 : 1);
  const int signB = DigitsAreZero(b) ? 0 : (b[1] & 0x80 ? -1 : 1);
  if (signA != signB) return signA < signB ? -1 : 1;
  if (signA == 0) return 0;
  int magnitude = 0;
  if (a[0] != b[0]) {
    magnitude = a[0] < b[0] ? -1 : 1;
  } else {
    const int m = std::memcmp(a + 2, b + 2, kNumericKeyLength - 2);
    magnitude = m < 0 ? -1 : (m > 0 ? 1 : 0);
  }
  return signA > 0 ? magnitude : -magnitude;
}

double ReadDouble(const uint8_t* p) {
  uint64_t bits;
  std::memcpy(&bits, p, sizeof bits);
  if constexpr (std::endian::native == std::endian::big) bits = __builtin_bswap64(bits);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

int CompareDate(const uint8_t* a, const uint8_t* b) {
  const double x = ReadDouble(a);
  const double y = ReadDouble(b);
  // A damaged key may hold NaN; it sorts first so the order stays total.
  const bool nanX = std::isnan(x);
  const bool nanY = std::isnan(y);
  if (nanX || nanY) return nanX == nanY ? 0 : (nanX ? -1 : 1);
  return x < y ? -1 : (x > y ? 1 : 0);
}

std::string JulianDayKey(double julian) {
  uint64_t bits;
  std::memcpy(&bits, &julian, sizeof bits);
  std::string key(kDateKeyLength, '\0');
  for (int i = 0; i < 8; ++i) key[i] = static_cast<char>(bits >> (8 * i));
  return key;
}

}  // namespace

std::string CharacterKey(std::string_view value, int keyLength) {
  std::string key(value.substr(0, static_cast<size_t>(keyLength)));
  key.resize(static_cast<size_t>(keyLength), ' ');
  return key;
}

std::string NumericKeyFromText(std::string_view text) {
  return EncodeDecimal(ParseDecimal(text));
}

std::string NumericKey(double value) {
  if (!std::isfinite(value)) throw IndexError("The number is too large or too small for a key");
  char buffer[400];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (result.ec != std::errc()) throw IndexError("The number is too large or too small for a key");
  return NumericKeyFromText(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)));
}

std::string DateKey(Date date) {
  return JulianDayKey(date.IsNull() ? 0.0 : date.Serial() + kJulianDayOfSerialZero);
}

std::string DateKeyFromDigits(std::string_view digits) {
  // Not through DateKey: serial 0 is both "no date" and 1899-12-30, a real day here.
  const auto date = Date::FromDigits(digits);
  return JulianDayKey(date ? date->Serial() + kJulianDayOfSerialZero : 0.0);
}

std::string SearchKey(KeyType type, int keyLength, std::string_view text) {
  switch (type) {
    case KeyType::Numeric:
      return NumericKeyFromText(text);
    case KeyType::Date:
      return DateKeyFromDigits(text);
    case KeyType::Character:
      break;
  }
  return std::string(text.substr(0, static_cast<size_t>(keyLength)));
}

double NumericKeyValue(std::string_view key) {
  if (key.size() < kNumericKeyLength) return 0;
  return std::strtod(KeyToText(KeyType::Numeric, key).c_str(), nullptr);
}

double DateKeyJulianDay(std::string_view key) {
  if (key.size() < kDateKeyLength) return 0;
  return ReadDouble(reinterpret_cast<const uint8_t*>(key.data()));
}

std::string KeyToText(KeyType type, std::string_view key) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(key.data());
  switch (type) {
    case KeyType::Character: {
      const size_t end = key.find_last_not_of(' ');
      return std::string(end == std::string_view::npos ? std::string_view()
                                                       : key.substr(0, end + 1));
    }
    case KeyType::Numeric: {
      if (key.size() < kNumericKeyLength || DigitsAreZero(bytes)) return "0";
      std::string digits;
      for (int i = 2; i < kNumericKeyLength; ++i) {
        digits += static_cast<char>('0' + std::min(bytes[i] >> 4, 9));
        digits += static_cast<char>('0' + std::min(bytes[i] & 0x0F, 9));
      }
      while (!digits.empty() && digits.back() == '0') digits.pop_back();
      const int exponent = static_cast<int>(bytes[0]) - kExponentBias;
      std::string text = (bytes[1] & 0x80) ? "-" : "";
      if (exponent <= 0) {
        text += "0." + std::string(static_cast<size_t>(-exponent), '0') + digits;
      } else if (static_cast<size_t>(exponent) >= digits.size()) {
        text += digits + std::string(static_cast<size_t>(exponent) - digits.size(), '0');
      } else {
        text += digits.substr(0, static_cast<size_t>(exponent)) + "." +
                digits.substr(static_cast<size_t>(exponent));
      }
      return text;
    }
    case KeyType::Date: {
      const double julian = DateKeyJulianDay(key);
      if (!(julian >= 1721426.0) || julian > 5373484.0) return "";  // years 1 to 9999
      int y, m, d;
      Date(static_cast<int32_t>(std::floor(julian - kJulianDayOfSerialZero))).ToYmd(y, m, d);
      char digits[16];
      std::snprintf(digits, sizeof digits, "%04d%02d%02d", y, m, d);
      return digits;
    }
  }
  return "";
}

int CompareKeys(KeyType type, const uint8_t* a, const uint8_t* b, size_t length) {
  switch (type) {
    case KeyType::Numeric:
      return CompareNumeric(a, b);
    case KeyType::Date:
      return CompareDate(a, b);
    case KeyType::Character:
      break;
  }
  const int c = std::memcmp(a, b, length);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace volarin::dbf

#include "storage/storedform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "common/text.h"
#include "dbf/codepage.h"
#include "storage/errors.h"

namespace volarin {

namespace {

bool AllBlank(std::string_view text) {
  for (char c : text) {
    if (c != ' ') return false;
  }
  return true;
}

[[noreturn]] void DoesNotFit(const dbf::FieldInfo& field, const std::string& value) {
  throw EFieldError("Value " + value + " does not fit field '" + field.name + "' (" +
                    std::string(1, field.type) + " " + std::to_string(field.width) + "," +
                    std::to_string(field.decimals) + ")");
}

std::string RightAligned(const dbf::FieldInfo& field, const std::string& text) {
  if (static_cast<int>(text.size()) > field.width) DoesNotFit(field, text);
  return std::string(static_cast<size_t>(field.width) - text.size(), ' ') + text;
}

bool IsNumberField(const dbf::FieldInfo& field) {
  return field.type == 'N' || field.type == 'F';
}

// The digits and point place of a magnitude as printf's "%.14e" writes them.
void PrintedSignificantDigits(double magnitude, std::string& digits, int& pointAt) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14e", magnitude);  // d.dddddddddddddde+XX
  const std::string_view text = buffer;
  const size_t e = text.find('e');
  digits.assign(text.substr(0, 1));
  digits.append(text.substr(2, e - 2));
  pointAt = std::atoi(buffer + e + 1) + 1;
}

}  // namespace

void SignificantDigits(double magnitude, std::string& digits, int& pointAt) {
  // From 1 up to 1e15, which holds every amount, the digits are worked out in integers: the
  // magnitude is m * 2^-s exactly, so m * 10^k (k places moved) divided by 2^s and rounded to
  // nearest, ties to even, is the fifteen-digit number printf rounds to.
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6, 1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14};
  static constexpr uint64_t kWholePowers[] = {
      1,           10,           100,           1000,           10000,
      100000,      1000000,      10000000,      100000000,      1000000000,
      10000000000, 100000000000, 1000000000000, 10000000000000, 100000000000000};
  constexpr int kDigits = 15;
  if (!(magnitude >= 1 && magnitude < 1e15)) {
    PrintedSignificantDigits(magnitude, digits, pointAt);
    return;
  }
  int exponent = kDigits - 1;  // the place of the first digit
  while (magnitude < kPowers[exponent]) --exponent;
  int binaryExponent = 0;
  const double fraction = std::frexp(magnitude, &binaryExponent);  // in [0.5, 1)
  const auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
  const int shift = 53 - binaryExponent;  // from 3 to 52 in this range
  const unsigned __int128 scaled =
      static_cast<unsigned __int128>(mantissa) * kWholePowers[kDigits - 1 - exponent];
  uint64_t number = static_cast<uint64_t>(scaled >> shift);
  const unsigned __int128 rest = scaled & ((static_cast<unsigned __int128>(1) << shift) - 1);
  const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
  if (rest > half || (rest == half && (number & 1) != 0)) ++number;
  if (number == kWholePowers[kDigits - 1] * 10) {  // rounded up to a new first digit
    number /= 10;
    ++exponent;
  }
  digits.resize(kDigits);
  for (int i = kDigits - 1; i >= 0; --i) {
    digits[static_cast<size_t>(i)] = static_cast<char>('0' + number % 10);
    number /= 10;
  }
  pointAt = exponent + 1;
}

std::optional<std::string> FixedDecimalText(double value, int decimals) {
  if (!std::isfinite(value)) return std::nullopt;
  if (decimals < 0) decimals = 0;
  const bool negative = std::signbit(value);
  const double magnitude = std::fabs(value);
  std::string digits;  // integer digits then fraction digits, point after `pointAt` digits
  int pointAt = 0;
  if (magnitude >= 1e15) {
    // All digits up to here are integer digits; the binary value is exact enough.
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.0f", magnitude);
    digits = buffer;
    pointAt = static_cast<int>(digits.size());
  } else if (magnitude != 0) {
    SignificantDigits(magnitude, digits, pointAt);
    if (pointAt < 0) {
      digits.insert(0, static_cast<size_t>(-pointAt), '0');
      pointAt = 0;
    }
  }
  // Keep pointAt + decimals digits, rounding half away from zero on the next one.
  const size_t keep = static_cast<size_t>(pointAt + decimals);
  if (digits.size() < keep + 1) digits.append(keep + 1 - digits.size(), '0');
  const bool roundUp = digits[keep] >= '5';
  digits.resize(keep);
  if (roundUp) {
    int i = static_cast<int>(keep) - 1;
    while (i >= 0 && digits[static_cast<size_t>(i)] == '9') digits[static_cast<size_t>(i--)] = '0';
    if (i >= 0) {
      ++digits[static_cast<size_t>(i)];
    } else {
      digits.insert(digits.begin(), '1');
      ++pointAt;
    }
  }
  const std::string_view integer = std::string_view(digits).substr(0, static_cast<size_t>(pointAt));
  const std::string_view fraction = std::string_view(digits).substr(static_cast<size_t>(pointAt));
  const size_t firstNonZero = integer.find_first_not_of('0');
  const bool zero = firstNonZero == std::string_view::npos &&
                    fraction.find_first_not_of('0') == std::string_view::npos;
  std::string result;
  if (negative && !zero) result += '-';
  if (firstNonZero == std::string_view::npos) {
    result += '0';
  } else {
    result.append(integer.substr(firstNonZero));
  }
  if (decimals > 0) {
    result += '.';
    result.append(fraction);
  }
  return result;
}

std::string StoredNumber(const dbf::FieldInfo& field, double value) {
  if (!IsNumberField(field)) {
    throw EFieldError("Field '" + field.name + "' is not a numeric field");
  }
  const std::optional<std::string> text = FixedDecimalText(value, field.decimals);
  if (!text) DoesNotFit(field, "(not a finite number)");
  return RightAligned(field, *text);
}

std::string StoredInteger(const dbf::FieldInfo& field, int64_t value) {
  if (!IsNumberField(field)) {
    throw EFieldError("Field '" + field.name + "' is not a numeric field");
  }
  std::string text = Int64ToText(value);
  if (field.decimals > 0) text += "." + std::string(static_cast<size_t>(field.decimals), '0');
  return RightAligned(field, text);
}

std::string StoredDate(const dbf::FieldInfo& field, Date date) {
  if (field.type != 'D') throw EFieldError("Field '" + field.name + "' is not a date field");
  return date.Digits();
}

std::string StoredText(const dbf::FieldInfo& field, std::string_view text, bool toOem) {
  const size_t width = static_cast<size_t>(field.width);
  switch (field.type) {
    case 'N':
    case 'F': {
      const std::string trimmed = TrimText(std::string(text));
      if (trimmed.empty()) return std::string(width, ' ');
      char* end = nullptr;
      const double value = std::strtod(trimmed.c_str(), &end);
      if (end == trimmed.c_str() || *end != '\0') {
        throw EFieldError("'" + trimmed + "' is not a valid number for field '" + field.name + "'");
      }
      return StoredNumber(field, value);
    }
    case 'D': {
      const std::string trimmed = TrimText(std::string(text));
      if (trimmed.empty()) return std::string(width, ' ');
      const std::optional<Date> date = TextToDate(trimmed);
      if (!date) {
        throw EFieldError("'" + trimmed + "' is not a valid date for field '" + field.name + "'");
      }
      return date->Digits();
    }
    case 'L': {
      const std::string trimmed = UpperAscii(TrimText(std::string(text)));
      if (trimmed.empty()) return " ";
      return (trimmed[0] == 'T' || trimmed[0] == 'Y') ? "T" : "F";
    }
    case 'C': {
      std::string stored = toOem ? dbf::WindowsToOem(text) : std::string(text);
      stored.resize(width, ' ');
      return stored;
    }
    default:
      throw EFieldError("Field '" + field.name + "' cannot be assigned as text");
  }
}

std::string ReadAsString(const dbf::FieldInfo& field, std::string_view stored, bool fromOem) {
  switch (field.type) {
    case 'C': {
      std::string text(WithoutTrailingSpaces(stored));
      if (fromOem) {
        for (char& c : text) {
          if (static_cast<unsigned char>(c) >= 0x80) c = dbf::OemToWindows(c);
        }
      }
      return text;
    }
    case 'N':
    case 'F':
      if (AllBlank(stored)) return {};
      return GeneralNumberText(dbf::ParseStoredNumber(stored));
    case 'D':
      return DateToText(dbf::ParseStoredDate(stored));
    case 'L':
      if (AllBlank(stored) || stored[0] == '?') return {};
      return dbf::ParseStoredLogical(stored) ? "True" : "False";
    default:
      return std::string(stored);
  }
}

double ReadAsFloat(const dbf::FieldInfo& field, std::string_view stored) {
  if (field.type == 'D') return dbf::ParseStoredDate(stored).Serial();
  if (field.type == 'L') return dbf::ParseStoredLogical(stored) ? 1 : 0;
  return dbf::ParseStoredNumber(stored);
}

int64_t ReadAsInt64(const dbf::FieldInfo& field, std::string_view stored) {
  if (field.type == 'D') return dbf::ParseStoredDate(stored).Serial();
  if (field.type == 'L') return dbf::ParseStoredLogical(stored) ? 1 : 0;
  size_t i = 0;
  while (i < stored.size() && stored[i] == ' ') ++i;
  bool negative = false;
  if (i < stored.size() && (stored[i] == '-' || stored[i] == '+')) {
    negative = stored[i] == '-';
    ++i;
  }
  constexpr uint64_t kLimit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  uint64_t value = 0;
  bool saturated = false;
  // Eighteen digits stay below the 64-bit limit: only the digits after them are checked.
  constexpr size_t kUncheckedDigits = 18;
  for (const size_t end = std::min(stored.size(), i + kUncheckedDigits);
       i < end && IsDigit(stored[i]); ++i) {
    value = value * 10 + static_cast<uint64_t>(stored[i] - '0');
  }
  for (; i < stored.size() && IsDigit(stored[i]); ++i) {
    const uint64_t digit = static_cast<uint64_t>(stored[i] - '0');
    if (value > (kLimit - digit) / 10) {
      saturated = true;
    } else {
      value = value * 10 + digit;
    }
  }
  if (!saturated && i + 1 < stored.size() && stored[i] == '.' && IsDigit(stored[i + 1]) &&
      stored[i + 1] >= '5' && value < kLimit) {
    ++value;
  }
  if (saturated) value = kLimit;
  return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
}

Date ReadAsDate(const dbf::FieldInfo& field, std::string_view stored) {
  if (field.type != 'D') return Date();
  return dbf::ParseStoredDate(stored);
}

std::string GeneralNumberText(double value) {
  if (value == 0) return "0";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

const char* FieldKindName(char typeLetter) {
  switch (typeLetter) {
    case 'C':
      return "String";
    case 'N':
    case 'F':
      return "Float";
    case 'D':
      return "Date";
    case 'L':
      return "Boolean";
    case 'M':
      return "Memo";
    case 'I':
      return "Integer";
    default:
      return "Unknown";
  }
}

}  // namespace volarin

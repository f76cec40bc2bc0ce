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

}  // namespace

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
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", magnitude);  // d.dddddddddddddde+XX
    const std::string text = buffer;
    const size_t e = text.find('e');
    digits = text.substr(0, 1) + text.substr(2, e - 2);
    pointAt = std::atoi(text.c_str() + e + 1) + 1;
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
  std::string integer = digits.substr(0, static_cast<size_t>(pointAt));
  std::string fraction = digits.substr(static_cast<size_t>(pointAt));
  const size_t firstNonZero = integer.find_first_not_of('0');
  integer = firstNonZero == std::string::npos ? "0" : integer.substr(firstNonZero);
  const bool zero = integer == "0" && fraction.find_first_not_of('0') == std::string::npos;
  std::string result = (negative && !zero) ? "-" : "";
  result += integer;
  if (decimals > 0) result += "." + fraction;
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

#include "common/date.h"

#include "common/platform.h"
#include "common/text.h"

namespace volarin {
namespace {

// Days from 0001-01-01 (proleptic Gregorian) to the given date.
int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;  // days since 1970-01-01
}

constexpr int64_t kSerialOf1970 = 25569;  // 1970-01-01 as a serial day

std::string& FormatStore() {
  static std::string picture = "M/D/YYYY";
  return picture;
}

}  // namespace

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<Date> Date::FromYmd(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month)) {
    return std::nullopt;
  }
  return Date(static_cast<int32_t>(DaysFromCivil(year, month, day) + kSerialOf1970));
}

std::optional<Date> Date::FromDigits(std::string_view text) {
  if (text.size() < 8) return std::nullopt;
  for (int i = 0; i < 8; ++i) {
    if (!IsDigit(text[i])) return std::nullopt;
  }
  auto number = [&](int from, int count) {
    int value = 0;
    for (int i = from; i < from + count; ++i) value = value * 10 + (text[i] - '0');
    return value;
  };
  return FromYmd(number(0, 4), number(4, 2), number(6, 2));
}

Date Date::Today() {
  int year = 0, month = 0, day = 0;
  platform::LocalToday(year, month, day);
  return *FromYmd(year, month, day);
}

void Date::ToYmd(int& year, int& month, int& day) const {
  const int64_t z = static_cast<int64_t>(serial_) - kSerialOf1970 + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

std::string Date::Digits() const {
  if (IsNull()) return std::string(8, ' ');
  int y, m, d;
  ToYmd(y, m, d);
  if (y < 0 || y > 9999) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
    return buf;
  }
  // Keys of date tags are built from this on every record read in date order: no printf.
  std::string digits(8, '0');
  for (int i = 3; i >= 0; --i, y /= 10)
    digits[static_cast<size_t>(i)] = static_cast<char>('0' + y % 10);
  digits[4] = static_cast<char>('0' + m / 10);
  digits[5] = static_cast<char>('0' + m % 10);
  digits[6] = static_cast<char>('0' + d / 10);
  digits[7] = static_cast<char>('0' + d % 10);
  return digits;
}

int Date::Weekday() const {
  // Serial day 1 (31 December 1899) was a Sunday.
  return static_cast<int>(((static_cast<int64_t>(serial_) - 1) % 7 + 7) % 7);
}

void SetShortDateFormat(const std::string& picture) {
  FormatStore() = picture;
}
const std::string& ShortDateFormat() {
  return FormatStore();
}

std::string DateToText(Date date) {
  if (date.IsNull()) return {};
  int y, m, d;
  date.ToYmd(y, m, d);
  const std::string picture = UpperAscii(FormatStore());
  std::string out;
  char buf[16];
  for (size_t i = 0; i < picture.size();) {
    auto run = [&](char c) {
      size_t n = 0;
      while (i + n < picture.size() && picture[i + n] == c) ++n;
      return n;
    };
    const char c = picture[i];
    if (c == 'M' || c == 'D' || c == 'Y') {
      const size_t n = run(c);
      const int value = c == 'M' ? m : c == 'D' ? d : (n <= 2 ? y % 100 : y);
      const int width = c == 'Y' ? (n <= 2 ? 2 : 4) : (n >= 2 ? 2 : 1);
      std::snprintf(buf, sizeof buf, "%0*d", width, value);
      out += buf;
      i += n;
    } else {
      out += picture[i++];
    }
  }
  return out;
}

std::string DateDigits(const std::string& dateText) {
  std::string groups[3];
  int current = 0;
  for (char c : dateText) {
    if (IsDigit(c)) {
      groups[current] += c;
    } else {
      if (current == 2) break;
      ++current;
    }
  }
  std::string& year = groups[2];
  if (year.size() == 1) year = "0" + year;
  if (year.size() == 2) year = "20" + year;
  for (int i = 0; i < 2; ++i) {
    if (groups[i].size() == 1) groups[i] = "0" + groups[i];
  }
  return year + groups[0] + groups[1];
}

std::optional<Date> TextToDate(const std::string& text) {
  const std::string digits = DateDigits(TrimText(text));
  if (digits.size() != 8) return std::nullopt;
  return Date::FromDigits(digits);
}

}  // namespace volarin

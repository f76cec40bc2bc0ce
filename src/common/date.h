#pragma once
// One date type for the whole program: a day number, 0 meaning "no date".
// Day 1 is 31 December 1899, so the numbers match the serial dates of the suite's other programs.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace volarin {

class Date {
 public:
  constexpr Date() = default;
  constexpr explicit Date(int32_t serial) : serial_(serial) {}
  // Nullopt for an impossible date (month 13, 30 February, year outside 1..9999).
  static std::optional<Date> FromYmd(int year, int month, int day);
  // "CCYYMMDD" digits as dBASE stores them; nullopt when blank or impossible.
  static std::optional<Date> FromDigits(std::string_view ccyymmdd);
  static Date Today();

  constexpr bool IsNull() const { return serial_ == 0; }
  constexpr int32_t Serial() const { return serial_; }
  void ToYmd(int& year, int& month, int& day) const;
  // "CCYYMMDD", or eight blanks for no date.
  std::string Digits() const;
  // Day of the week, 0 = Sunday.
  int Weekday() const;

  friend constexpr bool operator==(Date a, Date b) = default;
  friend constexpr auto operator<=>(Date a, Date b) = default;
  Date operator+(int days) const { return Date(serial_ + days); }
  Date operator-(int days) const { return Date(serial_ - days); }

 private:
  int32_t serial_ = 0;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// The process-wide short date format, a picture of "M", "MM", "D", "DD", "YY", "YYYY" and
// separators. It starts as "M/D/YYYY"; the direct reader switches it to "MM/DD/YYYY".
void SetShortDateFormat(const std::string& picture);
const std::string& ShortDateFormat();
// The date in the short date format; empty for no date.
std::string DateToText(Date date);
// Reads a text written month, day, year in any separators (as DateDigits does); nullopt when
// the text is not a possible date.
std::optional<Date> TextToDate(const std::string& text);
// Turns a date text written month, day, year into "yyyymmdd" digits (DateDigits rules).
std::string DateDigits(const std::string& dateText);

}  // namespace volarin

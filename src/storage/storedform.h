#pragma once
// Field values between their stored text in a record and their values in memory: what a cursor
// writes for an assignment (numbers right-aligned and rounded to the field's decimals, dates as
// CCYYMMDD, texts blank-padded) and how it reads each kind back.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/date.h"
#include "dbf/record.h"

namespace volarin {

// The value rounded half away from zero to `decimals` places on its 15 significant digits, so
// 1.005 gives "1.01" as a person expects; minus zero loses its sign. Nullopt when not finite.
std::optional<std::string> FixedDecimalText(double value, int decimals);
// The fifteen significant digits of a positive finite magnitude and the place of the decimal
// point after them (digits before it), exactly as printf's "%.14e" gives them: 1250.5 ->
// "125050000000000", 4.
void SignificantDigits(double magnitude, std::string& digits, int& pointAt);

// Stored forms. Each throws EFieldError naming the field when the value does not fit: a
// number is never stored as another number.
std::string StoredNumber(const dbf::FieldInfo& field, double value);
std::string StoredInteger(const dbf::FieldInfo& field, int64_t value);
std::string StoredDate(const dbf::FieldInfo& field, Date date);
// C: blank-padded and cut to the width (converted to OEM when `toOem`); N/F/D/L: the text read
// as a value of the field's kind.
std::string StoredText(const dbf::FieldInfo& field, std::string_view text, bool toOem);

// Readings of stored text by kind. All-blank text reads as empty, 0 or the zero date.
std::string ReadAsString(const dbf::FieldInfo& field, std::string_view stored, bool fromOem);
double ReadAsFloat(const dbf::FieldInfo& field, std::string_view stored);
// Whole numbers read exactly from the digits (no trip through a double), rounded half away
// from zero on the first decimal; saturated to the 64-bit range.
int64_t ReadAsInt64(const dbf::FieldInfo& field, std::string_view stored);
Date ReadAsDate(const dbf::FieldInfo& field, std::string_view stored);

// The value in general decimal form with up to 15 significant digits ("1250.5", "-5").
std::string GeneralNumberText(double value);

// The declared-field kind names used in type-mismatch messages ("String", "Float", ...).
const char* FieldKindName(char typeLetter);

}  // namespace volarin

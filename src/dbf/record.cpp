#include "dbf/record.h"

#include <cmath>

#include "common/text.h"

namespace volarin::dbf {

RecordLayout::RecordLayout(std::vector<FieldInfo> fields) : fields_(std::move(fields)) {
  int offset = 1;
  for (FieldInfo& f : fields_) {
    f.offset = offset;
    offset += f.width;
  }
  recordLength_ = offset;
}

int RecordLayout::FindField(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    const std::string& candidate = fields_[i].name;
    if (candidate.size() != name.size()) continue;
    bool same = true;
    for (size_t k = 0; k < name.size() && same; ++k) {
      char a = candidate[k], b = name[k];
      if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
      if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
      same = a == b;
    }
    if (same) return static_cast<int>(i);
  }
  return -1;
}

double ParseStoredNumber(std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end && IsBlank(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  // Up to 18 significant digits are exact in an integer; one multiplication or division by an
  // exact power of ten then rounds once.
  uint64_t mantissa = 0;
  int digits = 0, exponent = 0;
  for (; p < end && static_cast<unsigned>(*p - '0') <= 9; ++p) {
    if (digits < 18) {
      mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
      digits += mantissa != 0;
    } else {
      ++exponent;
    }
  }
  if (p < end && *p == '.') {
    for (++p; p < end && static_cast<unsigned>(*p - '0') <= 9; ++p) {
      if (digits < 18) {
        mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
        digits += mantissa != 0;
        --exponent;
      }
    }
  }
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  double value = static_cast<double>(mantissa);
  if (exponent < 0) {
    value = -exponent <= 22 ? value / kPowers[-exponent] : value * std::pow(10.0, exponent);
  } else if (exponent > 0) {
    value = exponent <= 22 ? value * kPowers[exponent] : value * std::pow(10.0, exponent);
  }
  return negative ? -value : value;
}

Date ParseStoredDate(std::string_view text) {
  // In place: every date of a walk comes through here, and no text needs building.
  return Date::FromDigits(text).value_or(Date());
}

bool ParseStoredLogical(std::string_view text) {
  if (text.empty()) return false;
  const char c = text[0];
  return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

}  // namespace volarin::dbf

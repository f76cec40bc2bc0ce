#include "storage/scope.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "dbf/mdx/keycodec.h"

namespace volarin {

namespace {

int CompareBytes(std::string_view a, std::string_view b, bool ignoreCase) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (ignoreCase) {
      if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
      if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    }
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The key cut to the bound's length, compared with the bound.
int CompareCut(std::string_view key, std::string_view bound, bool ignoreCase) {
  return CompareBytes(key.substr(0, bound.size()), bound, ignoreCase);
}

}  // namespace

ScopePosition PlaceTextKey(std::string_view key, const TagScope& scope, bool descending,
                           bool ignoreCase) {
  if (!scope.on) return ScopePosition::kInside;
  const int low = CompareCut(key, scope.low, ignoreCase);
  const int high = CompareCut(key, scope.high, ignoreCase);
  if (descending ? low > 0 : low < 0) return ScopePosition::kBelow;
  if (descending ? high < 0 : high > 0) return ScopePosition::kAbove;
  return ScopePosition::kInside;
}

bool HeldTextKeyPlaces(std::string_view heldKey, const TagScope& scope) {
  const size_t last = heldKey.find_last_not_of(' ');
  const size_t kept = last == std::string_view::npos ? 0 : last + 1;
  return scope.low.size() <= kept && scope.high.size() <= kept;
}

ScopePosition PlaceNumberKey(double key, const TagScope& scope, bool descending) {
  if (!scope.on) return ScopePosition::kInside;
  const double low = ScopeNumber(scope.low);
  const double high = ScopeNumber(scope.high);
  if (descending ? key > low : key < low) return ScopePosition::kBelow;
  if (descending ? key < high : key > high) return ScopePosition::kAbove;
  return ScopePosition::kInside;
}

namespace {

// Keys of numbers from -1e20 to 1e20 (exclusive) are exact: a record's key is the shortest
// decimal form of its number, which needs more than the key's twenty digits only beyond them.
constexpr double kExactKeyLimit = 1e20;

int CompareNumberKeys(std::string_view a, std::string_view b) {
  return dbf::CompareKeys(dbf::KeyType::Numeric, reinterpret_cast<const uint8_t*>(a.data()),
                          reinterpret_cast<const uint8_t*>(b.data()), a.size());
}

}  // namespace

HeldNumberBounds HeldNumberBoundsOf(const TagScope& scope) {
  const double low = ScopeNumber(scope.low);
  const double high = ScopeNumber(scope.high);
  if (!(std::fabs(low) < kExactKeyLimit && std::fabs(high) < kExactKeyLimit)) return {};
  return {dbf::NumericKey(low), dbf::NumericKey(high), dbf::NumericKey(-kExactKeyLimit),
          dbf::NumericKey(kExactKeyLimit)};
}

std::optional<ScopePosition> PlaceHeldNumberKey(std::string_view heldKey,
                                                const HeldNumberBounds& bounds, bool descending) {
  if (bounds.low.empty() || heldKey.size() != static_cast<size_t>(dbf::kNumericKeyLength) ||
      CompareNumberKeys(heldKey, bounds.exactBelow) <= 0 ||
      CompareNumberKeys(heldKey, bounds.exactAbove) >= 0) {
    return std::nullopt;
  }
  // Exact decimal forms of two numbers order as the numbers do.
  const int low = CompareNumberKeys(heldKey, bounds.low);
  const int high = CompareNumberKeys(heldKey, bounds.high);
  if (descending ? low > 0 : low < 0) return ScopePosition::kBelow;
  if (descending ? high < 0 : high > 0) return ScopePosition::kAbove;
  return ScopePosition::kInside;
}

bool IsNumericString(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  size_t end = text.size();
  while (end > i && text[end - 1] == ' ') --end;
  text = text.substr(i, end - i);
  int signs = 0;
  int points = 0;
  int digits = 0;
  for (size_t k = 0; k < text.size(); ++k) {
    const char c = text[k];
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '-' || c == '+') {
      if (++signs > 1 || k != 0) return false;
    } else if (c == '.') {
      if (++points > 1) return false;
    } else if (c == ',') {
      if (points > 0) return false;  // thousands separators only before the decimal point
    } else {
      return false;
    }
  }
  return digits > 0;
}

double ScopeNumber(std::string_view text) {
  std::string number;
  bool point = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      number += c;
    } else if ((c == '-' || c == '+') && number.empty()) {
      number += c;
    } else if (c == '.' && !point) {
      point = true;
      number += c;
    }
  }
  return number.empty() ? 0 : std::strtod(number.c_str(), nullptr);
}

}  // namespace volarin

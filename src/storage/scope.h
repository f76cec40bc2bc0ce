#pragma once
// A key range on one tag, and where a record's key lies against it.

#include <optional>
#include <string>
#include <string_view>

namespace volarin {

struct TagScope {
  std::string low;
  std::string high;
  bool on = false;
};

enum class ScopePosition { kInside, kBelow, kAbove };

// Text keys (C, D as CCYYMMDD, L as T/F): the key cut to each bound's length, compared byte by
// byte (or without regard to case when `ignoreCase`). A descending tag walks from the low
// bound down to the high one, so both tests turn round.
ScopePosition PlaceTextKey(std::string_view key, const TagScope& scope, bool descending,
                           bool ignoreCase);
// Whether a character key as a tag holds it (the key expression's text cut or blank-padded to
// the key length) places in the scope as that text does: so when neither bound is longer than
// the key without its trailing blanks, as the text holds those bytes unchanged.
bool HeldTextKeyPlaces(std::string_view heldKey, const TagScope& scope);
// Numeric keys against the bounds read as numbers.
ScopePosition PlaceNumberKey(double key, const TagScope& scope, bool descending);

// A numeric scope's bounds as keys of the tag (twelve bytes of decimal digits), so a record is
// placed by the key its tag holds for it. Empty where a bound has no exact key.
struct HeldNumberBounds {
  std::string low;
  std::string high;
  // Keys at or beyond these may stand for a number rounded to the key's twenty digits.
  std::string exactBelow;
  std::string exactAbove;
};
HeldNumberBounds HeldNumberBoundsOf(const TagScope& scope);
// The place of a numeric key as the tag holds it, as PlaceNumberKey gives it for the number the
// key was made from; nothing where the key or the bounds do not tell it exactly.
std::optional<ScopePosition> PlaceHeldNumberKey(std::string_view heldKey,
                                                const HeldNumberBounds& bounds, bool descending);

// Digits with at most one sign and one decimal point; thousands separators allowed.
bool IsNumericString(std::string_view text);
// The sign, digits and first decimal point of the text; other characters ignored; 0 when none.
double ScopeNumber(std::string_view text);

}  // namespace volarin

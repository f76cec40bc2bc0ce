// Where a key lies against a scope's bounds.
#include <gtest/gtest.h>

#include "storage/scope.h"

#include "dbf/mdx/keycodec.h"

namespace volarin {
namespace {

TEST(Scope, TextKeysAreCutToTheBoundAndComparedByteForByte) {
  const TagScope oneDay{"20240115", "20240115", true};
  const TagScope upTo{"01/01/1900", "20240115", true};
  const TagScope prefix{"AB", "AB", true};
  const struct {
    const char* key;
    const TagScope& scope;
    ScopePosition place;
  } cases[] = {
      {"20240115", oneDay, ScopePosition::kInside},
      {"20240114", oneDay, ScopePosition::kBelow},
      {"20240116", oneDay, ScopePosition::kAbove},
      // Every date of a year from 1000 on sorts after "01/01/1900".
      {"10000101", upTo, ScopePosition::kInside},
      {"19000101", upTo, ScopePosition::kInside},
      {"20240115", upTo, ScopePosition::kInside},
      {"20240116", upTo, ScopePosition::kAbove},
      {"        ", upTo, ScopePosition::kBelow},  // no date
      {"ABC", prefix, ScopePosition::kInside},
      {"ABZZZ", prefix, ScopePosition::kInside},
      {"AA", prefix, ScopePosition::kBelow},
      {"AC", prefix, ScopePosition::kAbove},
      {"\xE9", prefix, ScopePosition::kAbove},  // bytes compare unsigned
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlaceTextKey(c.key, c.scope, false, false), c.place) << c.key;
  }
  EXPECT_EQ(PlaceTextKey("anything", TagScope{"B", "C", false}, false, false),
            ScopePosition::kInside);
}

TEST(Scope, CaseAndDescendingTags) {
  const TagScope scope{"B", "D", true};
  EXPECT_EQ(PlaceTextKey("c", scope, false, false), ScopePosition::kAbove);
  EXPECT_EQ(PlaceTextKey("c", scope, false, true), ScopePosition::kInside);
  // A descending tag walks from the low bound down to the high one.
  const TagScope down{"D", "B", true};
  EXPECT_EQ(PlaceTextKey("E", down, true, false), ScopePosition::kBelow);
  EXPECT_EQ(PlaceTextKey("C", down, true, false), ScopePosition::kInside);
  EXPECT_EQ(PlaceTextKey("A", down, true, false), ScopePosition::kAbove);
  EXPECT_EQ(PlaceNumberKey(5, TagScope{"10", "1", true}, true), ScopePosition::kInside);
  EXPECT_EQ(PlaceNumberKey(11, TagScope{"10", "1", true}, true), ScopePosition::kBelow);
}

TEST(Scope, NumericKeysCompareAsNumbers) {
  const TagScope scope{"9", "100", true};  // as texts "10" < "9"; as numbers it is inside
  EXPECT_EQ(PlaceNumberKey(10, scope, false), ScopePosition::kInside);
  EXPECT_EQ(PlaceNumberKey(8.5, scope, false), ScopePosition::kBelow);
  EXPECT_EQ(PlaceNumberKey(100.01, scope, false), ScopePosition::kAbove);
  EXPECT_EQ(PlaceNumberKey(1000, TagScope{"1,000", "1,000", true}, false), ScopePosition::kInside);
}

// A numeric key as the tag holds it places a record as its number does, in both directions;
// keys that may be rounded, and bounds without an exact key, tell nothing.
TEST(Scope, HeldNumericKeysPlaceAsTheirNumbers) {
  const double numbers[] = {-1e19,
                            -100.5,
                            -3,
                            -0.0,
                            0,
                            0.1,
                            0.30000000000000004,
                            0.3,
                            5,
                            9,
                            9.000000000000002,
                            99.99,
                            100,
                            100.01,
                            123456789012.25,
                            1e19};
  const TagScope scopes[] = {
      {"9", "100", true},        {"-3", "0.3", true},
      {"0", "0", true},          {"-0", "5", true},
      {"1,000", "-100.5", true}, {"100", "9", true},
      {".1", "99.99", true},     {"-10,000,000,000,000,000,000", "9999999999999999999", true}};
  for (const TagScope& scope : scopes) {
    const HeldNumberBounds bounds = HeldNumberBoundsOf(scope);
    for (const double number : numbers) {
      for (const bool descending : {false, true}) {
        const std::optional<ScopePosition> place =
            PlaceHeldNumberKey(dbf::NumericKey(number), bounds, descending);
        ASSERT_TRUE(place) << number << " in " << scope.low << ".." << scope.high;
        EXPECT_EQ(*place, PlaceNumberKey(number, scope, descending))
            << number << " in " << scope.low << ".." << scope.high << " descending " << descending;
      }
    }
  }
  const HeldNumberBounds bounds = HeldNumberBoundsOf({"1", "2", true});
  for (const double beyond : {1e20, -1e20, 123456789012345678901234.0}) {
    EXPECT_FALSE(PlaceHeldNumberKey(dbf::NumericKey(beyond), bounds, false)) << beyond;
  }
  EXPECT_FALSE(PlaceHeldNumberKey("short", bounds, false));
  const HeldNumberBounds huge = HeldNumberBoundsOf({"1", "100000000000000000000000", true});
  EXPECT_FALSE(PlaceHeldNumberKey(dbf::NumericKey(5), huge, false));
}

TEST(Scope, NumericStrings) {
  for (const char* ok : {"12", "-12", "+3.5", "1,234.50", " 7 ", ".5"}) {
    EXPECT_TRUE(IsNumericString(ok)) << ok;
  }
  for (const char* bad : {"", "abc", "1-2", "1.2.3", "--1", "1.234,5", "12a", "-"}) {
    EXPECT_FALSE(IsNumericString(bad)) << bad;
  }
  EXPECT_DOUBLE_EQ(ScopeNumber("-1,234.5"), -1234.5);
  EXPECT_DOUBLE_EQ(ScopeNumber("abc"), 0);
}

}  // namespace
}  // namespace volarin

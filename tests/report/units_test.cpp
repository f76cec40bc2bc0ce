#include "report/units.h"

#include <gtest/gtest.h>

namespace volarin {
namespace {

struct UnitCase {
  Unit unit;
  long double value;
  long double inches;
};

TEST(UnitsTest, EveryUnitConvertsToInchesAndBack) {
  const UnitCase cases[] = {
      {Unit::HundredthsOfMm, 2540.0L, 1.0L},
      {Unit::Pixels, 96.0L, 1.0L},
      {Unit::Millimetres, 25.4L, 1.0L},
      {Unit::Centimetres, 5.08L, 2.0L},
      {Unit::Inches, 3.5L, 3.5L},
      {Unit::Twips, 720.0L, 0.5L},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(static_cast<double>(ToInches(c.value, c.unit)), static_cast<double>(c.inches),
                1e-12)
        << static_cast<int>(c.unit);
    EXPECT_NEAR(static_cast<double>(FromInches(c.inches, c.unit)), static_cast<double>(c.value),
                1e-9)
        << static_cast<int>(c.unit);
  }
}

TEST(UnitsTest, AReportInchIsTwentyFiveMillimetres) {
  EXPECT_EQ(ToPageUnits(1.0f), 2500.0L);
  // The report's right edge and centre line on the A4 sheet.
  EXPECT_NEAR(static_cast<double>(ToInches(ToPageUnits(8.0f), Unit::HundredthsOfMm) * 25.4L), 200.0,
              1e-9);
  EXPECT_NEAR(static_cast<double>(ToInches(ToPageUnits(4.25f), Unit::HundredthsOfMm) * 25.4L),
              106.25, 1e-9);
}

}  // namespace
}  // namespace volarin

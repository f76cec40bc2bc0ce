#include "report/units.h"

namespace volarin {

namespace {

// How many of the unit make one inch.
long double PerInch(Unit unit) {
  switch (unit) {
    case Unit::HundredthsOfMm:
      return kPageUnitsPerInch;
    case Unit::Pixels:
      return 96.0L;
    case Unit::Millimetres:
      return 25.4L;
    case Unit::Centimetres:
      return 2.54L;
    case Unit::Inches:
      return 1.0L;
    case Unit::Twips:
      return 1440.0L;
  }
  return 1.0L;
}

}  // namespace

long double ToInches(long double value, Unit unit) {
  return value / PerInch(unit);
}

long double FromInches(long double inches, Unit unit) {
  return inches * PerInch(unit);
}

long double ToPageUnits(float reportInches) {
  return static_cast<long double>(reportInches) / 0.04L * 100.0L;
}

}  // namespace volarin

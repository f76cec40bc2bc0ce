#pragma once
// Units of the page core. Positions are kept in inches as extended floats; each drawing call
// names the unit it passes.

namespace volarin {

enum class Unit { HundredthsOfMm, Pixels, Millimetres, Centimetres, Inches, Twips };

long double ToInches(long double value, Unit unit);
long double FromInches(long double inches, Unit unit);

// Report inches are 25.0 mm, not 25.4: the report was laid out on that grid, so its positions
// become 2,500 hundredths of a millimetre per report inch.
inline constexpr long double kPageUnitsPerReportInch = 2500.0L;
// Hundredths of a millimetre in a true inch.
inline constexpr long double kPageUnitsPerInch = 2540.0L;

// A report-inch position in hundredths of a millimetre.
long double ToPageUnits(float reportInches);

}  // namespace volarin

#pragma once
// Text measurement on a 600-pixel-per-inch reference surface, so that a text measures the same
// whatever screen or printer it is later shown on.

#include <QFont>
#include <string>

#include "report/graphicsrecords.h"

namespace volarin {

inline constexpr double kReferencePpi = 600.0;

struct TextExtent {
  long double widthInches = 0;
  // The font's full cell height, ascent plus descent.
  long double heightInches = 0;
  long double ascentInches = 0;
};

// The QFont for a record, sized for a device whose fonts resolve at devicePpi: its glyphs are
// those of the record's point size at the reference resolution, so drawing it under a scale of
// (target ppi / 600) gives the physical size on any device.
QFont ReferenceFont(const FontRecord& font, double devicePpi);

TextExtent MeasureText(const FontRecord& font, const std::string& text);

}  // namespace volarin

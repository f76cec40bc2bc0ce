#pragma once
// The pen, brush and font records that drawn objects refer to.

#include <cstdint>
#include <string>

#include "qtcommon/bgrcolor.h"

namespace volarin {

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear };
// Raster mix of the pen; only Copy is used by the report, the others are kept for completeness.
enum class PenMode { Copy, Xor, Not };
enum class BrushStyle { Solid, Clear };

struct PenRecord {
  uint32_t color = kBgrBlack;
  // Quarter points (1/288 inch).
  int width = 1;
  PenStyle style = PenStyle::Solid;
  PenMode mode = PenMode::Copy;
  friend bool operator==(const PenRecord&, const PenRecord&) = default;
};

struct BrushRecord {
  uint32_t color = kNoColor;
  BrushStyle style = BrushStyle::Clear;
  friend bool operator==(const BrushRecord&, const BrushRecord&) = default;
};

struct FontRecord {
  std::string name = "Arial";
  double pointSize = 10.0;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  uint32_t color = kBgrBlack;
  int charset = 0;
  friend bool operator==(const FontRecord&, const FontRecord&) = default;
};

}  // namespace volarin

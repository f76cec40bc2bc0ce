#pragma once
// One page: its size and the objects drawn on it, in drawing order.

#include <string>
#include <variant>
#include <vector>

#include "report/graphicsstore.h"

namespace volarin {

// Positions are in inches from the page's top-left corner.
struct LineObject {
  long double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  PenId pen = 0;
};

// (x, y) is the top-left corner of the first character cell. The text is single-byte
// Windows-1252, as everywhere in the program.
struct TextObject {
  long double x = 0, y = 0;
  std::string text;
  FontId font = 0;
  BrushId brush = 0;
  PenId pen = 0;
};

using DrawnObject = std::variant<LineObject, TextObject>;

enum class Orientation { Portrait, Landscape };

struct PaperSize {
  long double widthInches = 0;
  long double heightInches = 0;
};

// A4, 210 x 297 mm.
inline constexpr PaperSize kA4{210.0L / 25.4L, 297.0L / 25.4L};

struct Page {
  PaperSize size = kA4;
  Orientation orientation = Orientation::Portrait;
  std::vector<DrawnObject> objects;
};

}  // namespace volarin

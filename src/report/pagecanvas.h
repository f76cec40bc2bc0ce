#pragma once
// The drawing state that every new object copies: current font, pen and brush.

#include "report/graphicsrecords.h"

namespace volarin {

struct PageCanvas {
  FontRecord font;
  PenRecord pen;
  BrushRecord brush;

  // A colour other than none makes the brush solid; none makes it clear.
  void SetBrushColor(uint32_t color) {
    brush.color = color;
    brush.style = IsNoColor(color) ? BrushStyle::Clear : BrushStyle::Solid;
  }
};

}  // namespace volarin

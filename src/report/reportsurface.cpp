#include "report/reportsurface.h"

namespace volarin {

ReportSurface::ReportSurface() {
  document_.Canvas().pen.color = penColor_;
  document_.Canvas().font.color = penColor_;
  document_.Canvas().SetBrushColor(brushColor_);
}

void ReportSurface::SetPen_color(uint32_t color) {
  penColor_ = color;
  Canvas().pen.color = color;
  Canvas().font.color = color;
}

void ReportSurface::SetBrush_color(uint32_t color) {
  brushColor_ = color;
  Canvas().SetBrushColor(color);
}

float ReportSurface::LineStep() const {
  const TextExtent extent = document_.Measure("Example");
  return static_cast<float>(extent.heightInches + static_cast<long double>(lineGap_));
}

float ReportSurface::ResolveY(float y) const {
  // Measured heights are true inches added to report-inch positions without conversion; the
  // layout was fixed on that arithmetic.
  if (y < 0) return static_cast<float>(currentY_ + LineStep());
  if (y == 0) return currentY_;
  return y;
}

void ReportSurface::TextLeft(const std::string& text, float x, float y) {
  currentY_ = ResolveY(y);
  Canvas().pen.color = penColor_;
  Canvas().font.color = penColor_;
  Canvas().SetBrushColor(brushColor_);
  document_.AddText(ToPageUnits(x), ToPageUnits(currentY_), Unit::HundredthsOfMm, text);
}

void ReportSurface::TextRight(const std::string& text, float x, float y) {
  currentY_ = ResolveY(y);
  Canvas().SetBrushColor(kNoColor);
  const long double width = document_.Measure(text).widthInches * kPageUnitsPerInch;
  document_.AddText(ToPageUnits(x) - width, ToPageUnits(currentY_), Unit::HundredthsOfMm, text);
}

void ReportSurface::TextCenter(const std::string& text, float y) {
  currentY_ = ResolveY(y);
  Canvas().font.color = penColor_;
  Canvas().SetBrushColor(kNoColor);
  const long double width = document_.Measure(text).widthInches * kPageUnitsPerInch;
  document_.AddText(ToPageUnits(kCenterX) - width / 2, ToPageUnits(currentY_), Unit::HundredthsOfMm,
                    text);
}

void ReportSurface::DrawLine(float x1, float y1, float x2, float y2) {
  const float top = ResolveY(y1);
  const float bottom = y2 > 0 ? y2 : top;
  const float right = x2 == 0 ? x1 : x2;
  document_.AddLine(ToPageUnits(x1), ToPageUnits(top), ToPageUnits(right), ToPageUnits(bottom),
                    Unit::HundredthsOfMm);
}

}  // namespace volarin

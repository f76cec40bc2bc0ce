#pragma once
// The report layer of the page surface: positions in report inches, the current line position
// CurrentY, and the four drawing operations the report layout uses.

#include <string>

#include "report/pagedocument.h"

namespace volarin {

class ReportSurface {
 public:
  // The x of TextCenter, the middle of the report's 8.5-inch line.
  static constexpr float kCenterX = 4.25f;

  ReportSurface();
  ReportSurface(const ReportSurface&) = delete;
  ReportSurface& operator=(const ReportSurface&) = delete;

  PageDocument& Document() { return document_; }
  const PageDocument& Document() const { return document_; }
  PageCanvas& Canvas() { return document_.Canvas(); }

  uint32_t Pen_color() const { return penColor_; }
  // Sets the colour of rules and text.
  void SetPen_color(uint32_t color);
  uint32_t Brush_color() const { return brushColor_; }
  // Sets the background behind left-aligned text.
  void SetBrush_color(uint32_t color);

  // Top of the last text line drawn, in report inches.
  float CurrentY() const { return currentY_; }
  double LineGap() const { return lineGap_; }
  void SetLineGap(double inches) { lineGap_ = inches; }
  // One line step in the PageCanvas font: the height of "Example" plus LineGap.
  float LineStep() const;

  // y < 0 is the next line, y = 0 the same line, anything else an absolute position.
  void TextLeft(const std::string& text, float x, float y);
  void TextRight(const std::string& text, float x, float y);
  void TextCenter(const std::string& text, float y);
  // y1 follows the line position rule without moving CurrentY; y2 <= 0 means y1, x2 = 0
  // means x1.
  void DrawLine(float x1, float y1, float x2, float y2);

  void NewPage() { document_.NewPage(); }
  int PageCount() const { return document_.PageCount(); }
  int CurrentPageNumber() const { return document_.CurrentPageNumber(); }
  void GoToPage(int n) { document_.GoToPage(n); }

 private:
  float ResolveY(float y) const;

  PageDocument document_;
  uint32_t penColor_ = kBgrBlack;
  uint32_t brushColor_ = kNoColor;
  float currentY_ = 0.0f;
  double lineGap_ = 0.02;
};

}  // namespace volarin

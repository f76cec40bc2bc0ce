#include "report/pagerenderer.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <cmath>

#include "qtcommon/qttext.h"
#include "report/pagedocument.h"

namespace volarin {

namespace {

Qt::PenStyle ToQtPenStyle(PenStyle style) {
  switch (style) {
    case PenStyle::Solid:
      return Qt::SolidLine;
    case PenStyle::Dash:
      return Qt::DashLine;
    case PenStyle::Dot:
      return Qt::DotLine;
    case PenStyle::DashDot:
      return Qt::DashDotLine;
    case PenStyle::DashDotDot:
      return Qt::DashDotDotLine;
    case PenStyle::Clear:
      return Qt::NoPen;
  }
  return Qt::SolidLine;
}

qreal ToPixel(long double inches, double ppi) {
  return static_cast<qreal>(std::lround(inches * static_cast<long double>(ppi)));
}

void DrawLine(QPainter& painter, const PenRecord& record, long double x1, long double y1,
              long double x2, long double y2, double ppiX, double ppiY) {
  if (IsNoColor(record.color) || record.style == PenStyle::Clear) return;
  // Pen widths are quarter points; 0 pixels is the thinnest line the device can draw.
  const long width = std::lround(ppiX / 72.0 / 4.0 * record.width);
  QPen pen(FromBgr(record.color));
  pen.setStyle(ToQtPenStyle(record.style));
  pen.setWidth(static_cast<int>(width));
  // Under the preview's scaling a pen can shrink below one screen pixel; it then becomes the
  // thinnest line instead of a faint smear.
  const qreal deviceWidth = width * std::abs(painter.worldTransform().m11());
  pen.setCosmetic(width == 0 || deviceWidth < 1.0);
  if (pen.isCosmetic()) pen.setWidth(0);
  painter.save();
  if (record.mode != PenMode::Copy &&
      painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes)) {
    painter.setCompositionMode(record.mode == PenMode::Xor ? QPainter::RasterOp_SourceXorDestination
                                                           : QPainter::RasterOp_NotDestination);
  }
  painter.setPen(pen);
  painter.drawLine(QPointF(ToPixel(x1, ppiX), ToPixel(y1, ppiY)),
                   QPointF(ToPixel(x2, ppiX), ToPixel(y2, ppiY)));
  painter.restore();
}

// Draws a text with the top-left corner of its first character cell at (x, y) inches. The
// glyphs are laid out at the 600-ppi reference size and scaled to the target resolution, so
// the text keeps its physical size and spacing on every device.
void DrawText(QPainter& painter, const FontRecord& font, uint32_t backgroundColor,
              const std::string& text, long double x, long double y, double ppiX, double ppiY) {
  if (text.empty()) return;
  const TextExtent extent = MeasureText(font, text);
  painter.save();
  painter.translate(ToPixel(x, ppiX), ToPixel(y, ppiY));
  painter.scale(ppiX / kReferencePpi, ppiY / kReferencePpi);
  const QRectF cell(0, 0, static_cast<qreal>(extent.widthInches * kReferencePpi),
                    static_cast<qreal>(extent.heightInches * kReferencePpi));
  if (!IsNoColor(backgroundColor)) painter.fillRect(cell, FromBgr(backgroundColor));
  painter.setFont(ReferenceFont(font, painter.device()->logicalDpiY()));
  painter.setPen(FromBgr(font.color));
  painter.drawText(QPointF(0, static_cast<qreal>(extent.ascentInches * kReferencePpi)),
                   ToQString(text));
  painter.restore();
}

void DrawBand(QPainter& painter, const Band& band, const Page& page, const Margins& margins,
              bool isHeader, const TokenValues& tokens, double ppiX, double ppiY) {
  if (!band.visible) return;
  const long double left = margins.left;
  const long double right = page.size.widthInches - margins.right;
  const long double edge = isHeader ? margins.top : page.size.heightInches - margins.bottom;
  const auto place = [&](const std::string& caption, int alignment) {
    const std::string text = ExpandTokens(caption, tokens);
    if (text.empty()) return;
    const TextExtent extent = MeasureText(band.font, text);
    // Header captions sit just above the top margin, footer captions just below the bottom one.
    const long double y = isHeader ? edge - extent.heightInches : edge;
    long double x = left;
    if (alignment == 0) x = (page.size.widthInches - extent.widthInches) / 2;
    if (alignment > 0) x = right - extent.widthInches;
    DrawText(painter, band.font, kNoColor, text, x, y, ppiX, ppiY);
  };
  place(band.leftCaption, -1);
  place(band.centerCaption, 0);
  place(band.rightCaption, 1);
  if (band.rule) DrawLine(painter, band.rulePen, left, edge, right, edge, ppiX, ppiY);
}

}  // namespace

void RenderPage(QPainter& painter, const PageDocument& document, int pageNumber, double ppiX,
                double ppiY, const QDateTime& now) {
  const Page& page = document.PageAt(pageNumber);
  const GraphicsStore& graphics = document.Graphics();
  for (const DrawnObject& object : page.objects) {
    if (const auto* line = std::get_if<LineObject>(&object)) {
      DrawLine(painter, graphics.Pen(line->pen), line->x1, line->y1, line->x2, line->y2, ppiX,
               ppiY);
    } else if (const auto* text = std::get_if<TextObject>(&object)) {
      const BrushRecord& brush = graphics.Brush(text->brush);
      const uint32_t background = brush.style == BrushStyle::Clear ? kNoColor : brush.color;
      // Drawn texts are printed exactly as written: a payee named "{PAGE}" stays "{PAGE}".
      DrawText(painter, graphics.Font(text->font), background, text->text, text->x, text->y, ppiX,
               ppiY);
    }
  }
  TokenValues tokens;
  tokens.date = now.toString(QStringLiteral("dd/MM/yyyy")).toStdString();
  tokens.time = now.toString(QStringLiteral("hh/mm")).toStdString();
  tokens.page = pageNumber;
  tokens.pageCount = document.PageCount();
  DrawBand(painter, document.Header(), page, document.PageMargins(), true, tokens, ppiX, ppiY);
  DrawBand(painter, document.Footer(), page, document.PageMargins(), false, tokens, ppiX, ppiY);
}

}  // namespace volarin

#include "reportwindow/documentprinter.h"

#include <QPageSize>
#include <QPainter>
#include <QPrinter>

#include "report/pagedocument.h"
#include "report/pagerenderer.h"

namespace volarin {

namespace {

QPageLayout::Orientation ToQt(Orientation orientation) {
  return orientation == Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
}

}  // namespace

QPointF SheetCornerOffset(const QPrinter& printer) {
  if (printer.fullPage()) return QPointF(0, 0);
  const QRectF printable = printer.pageRect(QPrinter::DevicePixel);
  const QRectF sheet = printer.paperRect(QPrinter::DevicePixel);
  return sheet.topLeft() - printable.topLeft();
}

bool PrintDocument(const PageDocument& document, QPrinter& printer) {
  if (!printer.isValid()) return false;
  printer.setDocName(kPrintJobTitle);
  // The pages are A4; the report's own paper setting has no printer paper code of its own.
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageOrientation(ToQt(document.PageAt(1).orientation));

  QPainter painter;
  if (!painter.begin(&printer)) return false;
  for (int n = 1; n <= document.PageCount(); ++n) {
    const Page& page = document.PageAt(n);
    if (n > 1) {
      printer.setPageOrientation(ToQt(page.orientation));
      if (!printer.newPage()) break;
    }
    const double ppiX = printer.logicalDpiX();
    const double ppiY = printer.logicalDpiY();
    painter.save();
    painter.translate(SheetCornerOffset(printer));
    painter.setClipRect(QRectF(0, 0, static_cast<qreal>(page.size.widthInches) * ppiX,
                               static_cast<qreal>(page.size.heightInches) * ppiY));
    RenderPage(painter, document, n, ppiX, ppiY);
    painter.restore();
  }
  return painter.end();
}

}  // namespace volarin

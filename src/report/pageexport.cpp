#include "report/pageexport.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>

#include "common/errors.h"
#include "common/programtitle.h"
#include "report/pagedocument.h"
#include "report/pagerenderer.h"

namespace volarin {

namespace {

QPageLayout LayoutOf(const Page& page) {
  const QPageSize size(
      QSizeF(static_cast<qreal>(page.size.widthInches), static_cast<qreal>(page.size.heightInches)),
      QPageSize::Inch, QString(), QPageSize::ExactMatch);
  // Page sizes are stored as they lie, so the sheet is always described upright.
  return QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

}  // namespace

bool RenderDocument(const PageDocument& document, QPagedPaintDevice& device, double resolution,
                    const QDateTime& now) {
  device.setPageLayout(LayoutOf(document.PageAt(1)));
  QPainter painter;
  if (!painter.begin(&device)) return false;
  for (int n = 1; n <= document.PageCount(); ++n) {
    if (n > 1) {
      device.setPageLayout(LayoutOf(document.PageAt(n)));
      device.newPage();
    }
    const Page& page = document.PageAt(n);
    painter.save();
    painter.setClipRect(QRectF(0, 0, static_cast<qreal>(page.size.widthInches) * resolution,
                               static_cast<qreal>(page.size.heightInches) * resolution));
    RenderPage(painter, document, n, resolution, resolution, now);
    painter.restore();
  }
  return painter.end();
}

void SaveDocumentAsPdf(const PageDocument& document, const std::string& path,
                       const QDateTime& now) {
  QPdfWriter writer(QString::fromStdString(path));
  constexpr int kResolution = 1200;
  writer.setResolution(kResolution);
  writer.setCreator(QString::fromLatin1(kProgramTitle));
  if (!RenderDocument(document, writer, kResolution, now)) {
    throw FileError(FillIn("Cannot write the PDF file %s", {path}));
  }
}

QImage RenderPageToImage(const PageDocument& document, int pageNumber, double dpi,
                         const QDateTime& now) {
  const Page& page = document.PageAt(pageNumber);
  const auto width = static_cast<int>(std::lround(page.size.widthInches * dpi));
  const auto height = static_cast<int>(std::lround(page.size.heightInches * dpi));
  QImage image(width, height, QImage::Format_RGB32);
  const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
  image.setDotsPerMeterX(dotsPerMeter);
  image.setDotsPerMeterY(dotsPerMeter);
  image.fill(Qt::white);
  QPainter painter(&image);
  RenderPage(painter, document, pageNumber, dpi, dpi, now);
  painter.end();
  return image;
}

void SavePageAsPng(const PageDocument& document, int pageNumber, double dpi,
                   const std::string& path, const QDateTime& now) {
  const QImage image = RenderPageToImage(document, pageNumber, dpi, now);
  if (!image.save(QString::fromStdString(path), "PNG")) {
    throw FileError(FillIn("Cannot write the image file %s", {path}));
  }
}

}  // namespace volarin

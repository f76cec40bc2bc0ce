#pragma once
// Rendering for people: every page to a PDF file, or one page to an image.

#include <QDateTime>
#include <QImage>
#include <string>

class QPagedPaintDevice;

namespace volarin {

class PageDocument;

// Renders every page onto a paged device (a PDF writer or a printer), one page per sheet, in
// ascending order, each page's origin on the sheet's top-left corner. The device must already
// be set to zero margins (full page) so that its painter origin is the sheet corner.
// Returns false when no painter could be opened on the device.
bool RenderDocument(const PageDocument& document, QPagedPaintDevice& device, double resolution,
                    const QDateTime& now = QDateTime::currentDateTime());

// Writes every page to a PDF file, one A4-sized sheet per page. Throws FileError naming the
// file when it cannot be written.
void SaveDocumentAsPdf(const PageDocument& document, const std::string& path,
                       const QDateTime& now = QDateTime::currentDateTime());

// One page on a white image of the page's size at dpi pixels per inch.
QImage RenderPageToImage(const PageDocument& document, int pageNumber, double dpi,
                         const QDateTime& now = QDateTime::currentDateTime());

// Throws FileError naming the file when it cannot be written.
void SavePageAsPng(const PageDocument& document, int pageNumber, double dpi,
                   const std::string& path, const QDateTime& now = QDateTime::currentDateTime());

}  // namespace volarin

#pragma once
// Paints one page of a document onto any QPainter device at a given resolution. The same
// objects serve the screen (at any zoom) and the printer (at any resolution).

#include <QDateTime>

class QPainter;

namespace volarin {

class PageDocument;

// Paints page pageNumber (1-based) with its top-left corner at the painter's origin, ppiX by
// ppiY pixels per inch in the painter's current coordinates. The header and footer bands are
// drawn last, with their tokens expanded for this page and the given moment.
void RenderPage(QPainter& painter, const PageDocument& document, int pageNumber, double ppiX,
                double ppiY, const QDateTime& now = QDateTime::currentDateTime());

}  // namespace volarin

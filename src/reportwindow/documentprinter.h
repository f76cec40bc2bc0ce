#pragma once
// Printing a document on a printer chosen by the operator: every page, in order, one page per
// sheet, at the printer's resolution, each page's origin on the sheet's physical corner.

#include <QPointF>
#include <QString>

class QPrinter;

namespace volarin {

class PageDocument;

// The job title every print job carries.
inline const QString kPrintJobTitle = QStringLiteral("<document>");

// Where the sheet's physical top-left corner lies in the printer's painter coordinates:
// (0, 0) for a full-page printer, otherwise minus the unprintable offsets.
QPointF SheetCornerOffset(const QPrinter& printer);

// Prints pages 1 to PageCount as one job, portrait whatever was chosen in the print dialog, on
// A4 sheets (the pages' size). The printer, its copies and its other settings are left as
// chosen. Returns false when nothing could be printed (no usable printer).
bool PrintDocument(const PageDocument& document, QPrinter& printer);

}  // namespace volarin

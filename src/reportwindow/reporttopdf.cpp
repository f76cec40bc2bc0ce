#include "reportwindow/reporttopdf.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPrinter>

#include "reportwindow/reportwindow.h"

namespace volarin {

ReportToPdf::ReportToPdf(std::string pdfPath, int pollMs) : pdfPath_(std::move(pdfPath)) {
  QObject::connect(&watch_, &QTimer::timeout, [this] { Look(); });
  watch_.start(pollMs);
}

void ReportToPdf::Look() {
  auto* report = qobject_cast<ReportWindow*>(QApplication::activeModalWidget());
  if (!report || !report->Drawn() || printed_) return;
  printed_ = true;
  watch_.stop();
  report->SetPrintDialog([this](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdfPath_));
    return true;
  });
  report->ButtonOf(ReportWindow::Button::Print).click();
  pageLabel_ = report->PageLabel().toStdString();
  report->close();
}

}  // namespace volarin

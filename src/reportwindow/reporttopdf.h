#pragma once
// Prints the next report window to a PDF file without an operator: once a report window is the
// active modal window and has drawn, its own Print button prints every page to the file and the
// window is closed. For driving the program where no one can answer the print dialog.

#include <QTimer>
#include <string>

namespace volarin {

class ReportWindow;

class ReportToPdf {
 public:
  // `pollMs`: how often to look for the window.
  explicit ReportToPdf(std::string pdfPath, int pollMs = 20);

  bool Printed() const { return printed_; }
  // The window's page label when it was printed ("Page 3 of 3").
  const std::string& PageLabel() const { return pageLabel_; }

 private:
  void Look();

  std::string pdfPath_;
  bool printed_ = false;
  std::string pageLabel_;
  QTimer watch_;
};

}  // namespace volarin

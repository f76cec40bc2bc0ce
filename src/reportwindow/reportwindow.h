#pragma once
// The "Print Preview" window: a toolbar to page, fit, zoom and print, and the preview of the
// report's pages. It draws the report once, right after it has first been shown, through the
// drawing function it was given, so that it knows nothing of where the report's data lives.

#include <QDialog>
#include <QEvent>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/errors.h"
#include "report/reporthost.h"
#include "report/reportsurface.h"

class QAbstractButton;
class QLabel;
class QPrinter;

namespace volarin {

class FormSizer;
class MoveSizeWatcher;
class ReportPreview;

class ReportWindow : public QDialog, public ReportHost {
  Q_OBJECT

 public:
  // Draws the whole report onto the host's surface; may throw, which ends the drawing there.
  using DrawFunction = std::function<void(ReportHost& host)>;
  // Lets the operator choose a printer; true to print, false when cancelled.
  using PrintDialog = std::function<bool(QPrinter& printer)>;
  // Shows a drawing error to the operator.
  using ErrorReporter = std::function<void(const std::string& message)>;

  enum class Button {
    Print,
    FirstPage,
    PreviousPage,
    NextPage,
    LastPage,
    FitWidth,
    FitHeight,
    ZoomIn,
    ZoomOut,
    Close
  };

  // The event the window posts to itself from its first show; the report is drawn on it.
  static const QEvent::Type kDrawReportEvent;
  static constexpr int kClientWidth = 632;
  // Told before the print dialog opens when the system knows no printer.
  static constexpr const char* kNoPrinterMessage =
      "No printer can be reached: the print service is not running or has no printer set up. "
      "The report can still be printed to a PDF file";
  static constexpr int kClientHeight = 437;

  explicit ReportWindow(DrawFunction draw, QWidget* parent = nullptr);
  ~ReportWindow() override;

  ReportSurface& Surface() override { return surface_; }
  void ProcessPendingEvents() override;
  void SetFitToWidth(bool on) override { fitToWidth_ = on; }
  void SetPageLabel(const std::string& text) override;

  bool FitToWidth() const { return fitToWidth_; }
  // Set once the drawing event has been posted.
  bool Shown() const { return shown_; }
  // Set once the drawing has run, whether it finished or failed.
  bool Drawn() const { return drawn_; }
  QString PageLabel() const;
  ReportPreview& Preview() { return *preview_; }
  QAbstractButton& ButtonOf(Button button);

  // Replaces the system print dialog (tests print to a file without one).
  void SetPrintDialog(PrintDialog dialog) { printDialog_ = std::move(dialog); }
  void SetErrorReporter(ErrorReporter reporter) { reportError_ = std::move(reporter); }

  void FirstPage();
  void PreviousPage();
  void NextPage();
  void LastPage();
  void FitWidthClicked();
  void FitHeightClicked();
  void ZoomInClicked();
  void ZoomOutClicked();
  // Prints every page on the printer the operator chooses; a cancelled dialog prints nothing.
  void Print();
  // The end of an interactive move or resize: fits the width or the whole page, by the last
  // fit choice.
  void MoveSizeEnded();

 signals:
  void reportDrawn();

 protected:
  void showEvent(QShowEvent* event) override;
  void customEvent(QEvent* event) override;

 private:
  void BuildLayout();
  void GoToPageAndLabel(int pageNumber);
  void UpdatePageLabel();
  void DrawReportOnce();
  bool AskForPrinter(QPrinter& printer);

  ReportSurface surface_;
  DrawFunction draw_;
  PrintDialog printDialog_;
  ErrorReporter reportError_;
  bool shown_ = false;
  bool drawn_ = false;
  bool fitToWidth_ = false;
  ReportPreview* preview_ = nullptr;  // owned by the window as a child widget
  QLabel* pageLabel_ = nullptr;
  MoveSizeWatcher* moveSizeWatcher_ = nullptr;
  FormSizer* formSizer_ = nullptr;
  std::vector<std::pair<Button, QAbstractButton*>> buttons_;
};

}  // namespace volarin

#pragma once
// The extraction dialog (TForm2, "Select Checks"): shows which source is being read and the
// check number of each record while the extraction runs, then closes itself. The run starts
// from an event the dialog posts to itself when first shown, so it is on screen first.

#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <functional>

#include "extraction/extraction.h"

class QLabel;

namespace volarin {

class FormSizer;

class ExtractionDialog : public QDialog, private ExtractionProgress {
  Q_OBJECT

 public:
  static const QEvent::Type kRunEvent;  // the dialog's message 2025
  static constexpr int kClientWidth = 540;
  static constexpr int kClientHeight = 181;
  // The number label is repainted at most this often (a screen frame).
  static constexpr int kFrameMilliseconds = 16;

  ExtractionDialog(ExtractionCursors cursors, ExtractionRequest request, QWidget* parent = nullptr);

  // The mode; set after creating the dialog and before showing it.
  bool AllOutstanding() const { return request_.allOutstanding; }
  void SetAllOutstanding(bool on) { request_.allOutstanding = on; }
  bool Shown() const { return shown_; }

  // Receives the message of an error that ended the run (the application's error box); the
  // dialog then stays open until the operator closes it.
  void SetErrorHandler(std::function<void(const std::string&)> handler) {
    errorHandler_ = std::move(handler);
  }

  QLabel& RxLabel1() const { return *sourceLabel_; }
  QLabel& RxLabel2() const { return *checkLabel_; }
  FormSizer& formsizer1() const { return *formSizer_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void customEvent(QEvent* event) override;

 private:
  void SourceChanged(const std::string& text) override;
  void CheckVisited(int64_t checkNumber) override;
  void AccountMissing() override;
  void RunExtractionNow();
  // Repaints the number label now, so the last number of a source is on screen.
  void ShowLastNumber();

  ExtractionCursors cursors_;
  ExtractionRequest request_;
  bool shown_ = false;
  std::function<void(const std::string&)> errorHandler_;
  FormSizer* formSizer_ = nullptr;
  QLabel* sourceLabel_ = nullptr;
  QLabel* checkLabel_ = nullptr;
  // Since the number label was last repainted; invalid before the run's first record.
  QElapsedTimer frameClock_;
};

using TForm2 = ExtractionDialog;

}  // namespace volarin

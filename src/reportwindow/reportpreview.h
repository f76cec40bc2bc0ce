#pragma once
// The preview widget: shows the current page of a PageDocument on a silver background at a
// zoom of 5 to 400 percent, with scroll bars, keys and the mouse wheel. It paints from the
// same page objects that the printer renders.

#include <QAbstractScrollArea>
#include <QPointer>

#include "report/pagedocument.h"

namespace volarin {

class ReportPreview : public QAbstractScrollArea {
  Q_OBJECT

 public:
  static constexpr int MinZoom = 5;
  static constexpr int MaxZoom = 400;
  static constexpr int ZoomIncrement = 10;
  static constexpr int Gutter = 30;
  static constexpr int kInitialZoom = 70;
  // Screen pixels per inch at 100 percent.
  static constexpr double kScreenPpi = 96.0;
  // Scroll bar increment: one line step.
  static constexpr int kLineStep = 8;

  explicit ReportPreview(QWidget* parent = nullptr);

  // The document shown; not owned. It must outlive the preview or be replaced first.
  void SetDocument(const PageDocument* document);
  const PageDocument* Document() const { return document_; }

  int Zoom() const { return zoom_; }
  // Clamps to MinZoom..MaxZoom and keeps each scroll position in proportion to its extent.
  void SetZoom(int zoom);
  void ZoomIn() { SetZoom(zoom_ + ZoomIncrement); }
  void ZoomOut() { SetZoom(zoom_ - ZoomIncrement); }

  // The fits measure the whole control, scroll bars and frame included.
  void FitWidth() { SetZoom(FitWidthZoom()); }
  void FitHeight() { SetZoom(FitHeightZoom()); }
  void FitPage() { SetZoom(FitPageZoom()); }
  int FitWidthZoom() const;
  int FitHeightZoom() const;
  int FitPageZoom() const;
  // The zoom that fits a page extent into a control extent, before clamping.
  static int FitZoom(int controlExtent, long double pageInches);

  // The current page's size in screen pixels at the current zoom.
  QSize PagePixelSize() const;
  // Where the current page lies in the viewport.
  QRect PageRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  PaperSize ShownPaper() const;
  void UpdateScrollBars();
  // The vertical bar when it is shown, otherwise the horizontal one; null when neither is.
  QScrollBar* KeyBar() const;

  QPointer<const PageDocument> document_;
  QMetaObject::Connection pageConnection_;
  QMetaObject::Connection contentConnection_;
  int zoom_ = kInitialZoom;
  int wheelRemainder_ = 0;
};

}  // namespace volarin

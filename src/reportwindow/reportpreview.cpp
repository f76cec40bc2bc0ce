#include "reportwindow/reportpreview.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "qtcommon/bgrcolor.h"
#include "report/pagerenderer.h"

namespace volarin {

namespace {

// Room taken from the control for the fits: a gutter on either side and 20 pixels more.
constexpr int kFitAllowance = 2 * ReportPreview::Gutter + 20;
constexpr int kShadowWidth = 3;

// A scroll position as a percentage of its extent; 0 when nothing overflows.
double ScrollPercent(const QScrollBar* bar) {
  return bar->maximum() > 0 ? 100.0 * bar->value() / bar->maximum() : 0.0;
}

bool Shown(const QScrollBar* bar) {
  return bar->maximum() > bar->minimum();
}

}  // namespace

ReportPreview::ReportPreview(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  horizontalScrollBar()->setSingleStep(kLineStep);
  verticalScrollBar()->setSingleStep(kLineStep);
  // The bars follow the thumb while it is dragged.
  horizontalScrollBar()->setTracking(true);
  verticalScrollBar()->setTracking(true);
  UpdateScrollBars();
}

void ReportPreview::SetDocument(const PageDocument* document) {
  disconnect(pageConnection_);
  disconnect(contentConnection_);
  document_ = document;
  if (document) {
    pageConnection_ = connect(document, &PageDocument::currentPageChanged, this, [this](int) {
      UpdateScrollBars();
      viewport()->update();
    });
    contentConnection_ =
        connect(document, &PageDocument::pageContentChanged, this, [this](int page) {
          if (document_ && page == document_->CurrentPageNumber()) viewport()->update();
        });
  }
  UpdateScrollBars();
  viewport()->update();
}

PaperSize ReportPreview::ShownPaper() const {
  return document_ ? document_->CurrentPage().size : kA4;
}

void ReportPreview::SetZoom(int zoom) {
  zoom = std::clamp(zoom, MinZoom, MaxZoom);
  if (zoom == zoom_) return;
  const double horizontal = ScrollPercent(horizontalScrollBar());
  const double vertical = ScrollPercent(verticalScrollBar());
  zoom_ = zoom;
  UpdateScrollBars();
  horizontalScrollBar()->setValue(
      static_cast<int>(std::lround(horizontalScrollBar()->maximum() * horizontal / 100.0)));
  verticalScrollBar()->setValue(
      static_cast<int>(std::lround(verticalScrollBar()->maximum() * vertical / 100.0)));
  viewport()->update();
}

int ReportPreview::FitZoom(int controlExtent, long double pageInches) {
  const long double factor = (controlExtent - kFitAllowance) / (pageInches * kScreenPpi);
  return static_cast<int>(std::trunc(factor * 100));
}

int ReportPreview::FitWidthZoom() const {
  return FitZoom(width(), ShownPaper().widthInches);
}

int ReportPreview::FitHeightZoom() const {
  return FitZoom(height(), ShownPaper().heightInches);
}

int ReportPreview::FitPageZoom() const {
  // The smaller factor, truncated once.
  const long double across = (width() - kFitAllowance) / (ShownPaper().widthInches * kScreenPpi);
  const long double down = (height() - kFitAllowance) / (ShownPaper().heightInches * kScreenPpi);
  return static_cast<int>(std::trunc(std::min(across, down) * 100));
}

QSize ReportPreview::PagePixelSize() const {
  const PaperSize paper = ShownPaper();
  const long double ppi = kScreenPpi * zoom_ / 100.0L;
  return QSize(static_cast<int>(std::lround(paper.widthInches * ppi)),
               static_cast<int>(std::lround(paper.heightInches * ppi)));
}

QRect ReportPreview::PageRect() const {
  const QSize page = PagePixelSize();
  const QSize view = viewport()->size();
  // Centred when the view is larger than page and gutters, otherwise scrolled.
  const int x = view.width() > page.width() + 2 * Gutter ? (view.width() - page.width()) / 2
                                                         : Gutter - horizontalScrollBar()->value();
  const int y = view.height() > page.height() + 2 * Gutter ? (view.height() - page.height()) / 2
                                                           : Gutter - verticalScrollBar()->value();
  return QRect(QPoint(x, y), page);
}

void ReportPreview::UpdateScrollBars() {
  const QSize page = PagePixelSize();
  const QSize view = viewport()->size();
  horizontalScrollBar()->setPageStep(std::max(1, view.width()));
  verticalScrollBar()->setPageStep(std::max(1, view.height()));
  horizontalScrollBar()->setRange(0, std::max(0, page.width() + 2 * Gutter - view.width()));
  verticalScrollBar()->setRange(0, std::max(0, page.height() + 2 * Gutter - view.height()));
}

void ReportPreview::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void ReportPreview::scrollContentsBy(int, int) {
  viewport()->update();
}

void ReportPreview::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), FromBgr(kBgrSilver));
  const QRect page = PageRect();
  // Shadow along the right and bottom edges, one pixel off the page.
  painter.fillRect(QRect(page.right() + 1, page.top() + kShadowWidth, kShadowWidth, page.height()),
                   Qt::black);
  painter.fillRect(QRect(page.left() + kShadowWidth, page.bottom() + 1, page.width(), kShadowWidth),
                   Qt::black);
  painter.fillRect(page, Qt::white);
  const auto outline = [&] {
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(page.adjusted(0, 0, -1, -1));
  };
  outline();
  if (document_) {
    const PaperSize paper = ShownPaper();
    painter.save();
    painter.setClipRect(page);
    painter.translate(page.topLeft());
    // Rendered at the 600-ppi reference resolution, scaled onto the page's pixel size.
    painter.scale(page.width() / static_cast<double>(paper.widthInches * kReferencePpi),
                  page.height() / static_cast<double>(paper.heightInches * kReferencePpi));
    RenderPage(painter, *document_, document_->CurrentPageNumber(), kReferencePpi, kReferencePpi);
    painter.restore();
  }
  outline();
}

QScrollBar* ReportPreview::KeyBar() const {
  if (Shown(verticalScrollBar())) return verticalScrollBar();
  if (Shown(horizontalScrollBar())) return horizontalScrollBar();
  return nullptr;
}

void ReportPreview::keyPressEvent(QKeyEvent* event) {
  QScrollBar* bar = KeyBar();
  if (!bar) {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  QScrollBar* across = horizontalScrollBar();
  QScrollBar* down = verticalScrollBar();
  switch (event->key()) {
    case Qt::Key_PageUp:
      bar->setValue(bar->value() - 10 * kLineStep);
      break;
    case Qt::Key_PageDown:
      bar->setValue(bar->value() + 10 * kLineStep);
      break;
    case Qt::Key_Home:
      down->setValue(down->minimum());
      across->setValue(across->minimum());
      break;
    case Qt::Key_End:
      down->setValue(down->maximum());
      across->setValue(across->maximum());
      break;
    case Qt::Key_Left:
      across->setValue(across->value() - kLineStep);
      break;
    case Qt::Key_Right:
      across->setValue(across->value() + kLineStep);
      break;
    case Qt::Key_Up:
      down->setValue(down->value() - kLineStep);
      break;
    case Qt::Key_Down:
      down->setValue(down->value() + kLineStep);
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  event->accept();
}

void ReportPreview::wheelEvent(QWheelEvent* event) {
  QScrollBar* bar = KeyBar();
  if (!bar) {
    event->ignore();
    return;
  }
  // One line step per notch of 120; turning the wheel towards the user moves forward.
  wheelRemainder_ +=
      event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
  const int notches = wheelRemainder_ / 120;
  wheelRemainder_ -= notches * 120;
  bar->setValue(bar->value() - notches * kLineStep);
  event->accept();
}

}  // namespace volarin

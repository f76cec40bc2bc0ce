#pragma once
// The page core: a list of pages, each holding its drawn objects, the PageCanvas that new
// objects copy, and the shared graphics records. It knows nothing of widgets; the preview and
// the printer both paint from the same objects.

#include <QObject>
#include <string>
#include <vector>

#include "report/band.h"
#include "report/graphicsstore.h"
#include "report/page.h"
#include "report/pagecanvas.h"
#include "report/textmeasure.h"
#include "report/units.h"

namespace volarin {

class PageDocument : public QObject {
  Q_OBJECT

 public:
  // Starts with one empty page of the given paper, current.
  explicit PageDocument(PaperSize paper = kA4, Orientation orientation = Orientation::Portrait);

  PageCanvas& Canvas() { return canvas_; }
  const PageCanvas& Canvas() const { return canvas_; }
  GraphicsStore& Graphics() { return graphics_; }
  const GraphicsStore& Graphics() const { return graphics_; }

  Band& Header() { return header_; }
  const Band& Header() const { return header_; }
  Band& Footer() { return footer_; }
  const Band& Footer() const { return footer_; }
  Margins& PageMargins() { return margins_; }
  const Margins& PageMargins() const { return margins_; }

  // Positions are in the given unit, from the page's top-left corner.
  void AddText(long double x, long double y, Unit unit, const std::string& text);
  void AddLine(long double x1, long double y1, long double x2, long double y2, Unit unit);

  // Measures in the PageCanvas font.
  TextExtent Measure(const std::string& text) const { return MeasureText(canvas_.font, text); }

  // Appends an empty page of the document's paper and makes it current.
  void NewPage();
  int PageCount() const { return static_cast<int>(pages_.size()); }
  // 1-based.
  int CurrentPageNumber() const { return current_ + 1; }
  // Ignored when n is the current page or out of range.
  void GoToPage(int n);

  // 1-based; throws std::out_of_range past the list.
  const Page& PageAt(int n) const { return pages_.at(static_cast<std::size_t>(n - 1)); }
  const Page& CurrentPage() const { return pages_[static_cast<std::size_t>(current_)]; }
  PaperSize Paper() const { return paper_; }

 signals:
  void currentPageChanged(int pageNumber);
  // Objects were added to the given page.
  void pageContentChanged(int pageNumber);

 private:
  void Add(DrawnObject object);

  PaperSize paper_;
  Orientation orientation_;
  std::vector<Page> pages_;
  int current_ = 0;
  PageCanvas canvas_;
  GraphicsStore graphics_;
  Band header_;
  Band footer_;
  Margins margins_;
};

}  // namespace volarin

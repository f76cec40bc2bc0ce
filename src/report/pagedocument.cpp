#include "report/pagedocument.h"

#include <utility>

namespace volarin {

PageDocument::PageDocument(PaperSize paper, Orientation orientation)
    : paper_(paper), orientation_(orientation) {
  pages_.push_back(Page{paper_, orientation_, {}});
}

void PageDocument::AddText(long double x, long double y, Unit unit, const std::string& text) {
  TextObject object;
  object.x = ToInches(x, unit);
  object.y = ToInches(y, unit);
  object.text = text;
  object.font = graphics_.Add(canvas_.font);
  object.brush = graphics_.Add(canvas_.brush);
  object.pen = graphics_.Add(canvas_.pen);
  Add(std::move(object));
}

void PageDocument::AddLine(long double x1, long double y1, long double x2, long double y2,
                           Unit unit) {
  LineObject object;
  object.x1 = ToInches(x1, unit);
  object.y1 = ToInches(y1, unit);
  object.x2 = ToInches(x2, unit);
  object.y2 = ToInches(y2, unit);
  object.pen = graphics_.Add(canvas_.pen);
  Add(std::move(object));
}

void PageDocument::Add(DrawnObject object) {
  pages_[static_cast<std::size_t>(current_)].objects.push_back(std::move(object));
  emit pageContentChanged(CurrentPageNumber());
}

void PageDocument::NewPage() {
  pages_.push_back(Page{paper_, orientation_, {}});
  current_ = PageCount() - 1;
  emit currentPageChanged(CurrentPageNumber());
}

void PageDocument::GoToPage(int n) {
  if (n <= 0 || n > PageCount() || n == CurrentPageNumber()) return;
  current_ = n - 1;
  emit currentPageChanged(CurrentPageNumber());
}

}  // namespace volarin

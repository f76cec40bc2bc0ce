#include "app/pagecontrol.h"

namespace volarin {

QSize FixedHeightTabBar::tabSizeHint(int index) const {
  QSize size = QTabBar::tabSizeHint(index);
  size.setHeight(tabHeight_);
  return size;
}

PageControl::PageControl(int tabHeight, QWidget* parent) : QTabWidget(parent) {
  setTabBar(new FixedHeightTabBar(tabHeight, this));
  setDocumentMode(false);
}

}  // namespace volarin
